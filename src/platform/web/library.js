// The JavaScript half of the browser backend, linked into the program with --js-library.
// What the fixed-function emulation lacks and the program uses is added or mended here
// (the second texture unit's coordinates, line-drawn polygons, textures by component
// count); everything about the page (messages, sound, test hooks) is asked of the page's
// own script through Module.velastriaPage.
mergeInto(LibraryManager.library, {
  $velastriaGl__deps: ['$GLImmediate', 'glTexImage2D', 'malloc', 'free'],
  $velastriaGl__postset: 'velastriaGl.install();',
  $velastriaGl: {
    lines: false,
    scratch: 0,       // edge indices of indexed triangles drawn as lines, in the program's memory
    scratchBytes: 0,
    install: function() {
      // Old-style internal formats give the number of components; WebGL wants the format.
      var texImage2D = _glTexImage2D;
      _glTexImage2D = function(target, level, internalFormat, width, height, border, format, type, pixels) {
        var byCount = {1: 0x1909 /* LUMINANCE */, 2: 0x190A /* LUMINANCE_ALPHA */, 3: 0x1907 /* RGB */, 4: 0x1908 /* RGBA */};
        if (byCount[internalFormat]) internalFormat = byCount[internalFormat];
        texImage2D(target, level, internalFormat, width, height, border, format, type, pixels);
      };
    },
    // Called on each new context once the emulation is set up on it.
    mendImmediateMode: function() {
      if (GLImmediate.velastriaMended) return;
      GLImmediate.velastriaMended = true;
      var flush = GLImmediate.flush;
      // Polygons in line mode: every triangle or quad drawn as its outline, edge by edge.
      GLImmediate.flush = function(numProvidedIndexes, startIndex, ptr) {
        var mode = GLImmediate.mode;
        if (!velastriaGl.lines || (mode != 4 /* TRIANGLES */ && mode != 7 /* QUADS */))
          return flush.apply(this, arguments);
        if (numProvidedIndexes) {
          // Indexed triangles from the program's memory: the same vertices, edge indices.
          if (mode != 4 || GLctx.currentElementArrayBufferBinding) return flush.apply(this, arguments);
          var triangles = Math.floor(numProvidedIndexes / 3);
          var corners3 = HEAPU16.slice(ptr >> 1, (ptr >> 1) + triangles * 3);
          var bytes = triangles * 12;
          if (velastriaGl.scratchBytes < bytes) {
            if (velastriaGl.scratch) _free(velastriaGl.scratch);
            velastriaGl.scratch = _malloc(bytes);
            velastriaGl.scratchBytes = bytes;
          }
          var edges = HEAPU16.subarray(velastriaGl.scratch >> 1, (velastriaGl.scratch >> 1) + triangles * 6);
          for (var t = 0, j = 0; t < triangles; t++) {
            var a = corners3[3 * t], b = corners3[3 * t + 1], c = corners3[3 * t + 2];
            edges[j++] = a; edges[j++] = b; edges[j++] = b; edges[j++] = c; edges[j++] = c; edges[j++] = a;
          }
          GLImmediate.mode = 1;  // LINES
          flush.call(this, triangles * 6, startIndex, velastriaGl.scratch);
          GLImmediate.mode = mode;
          return;
        }
        var s = GLImmediate.stride >> 2;
        var corners = mode == 4 ? 3 : 4;
        var shapes = Math.floor(GLImmediate.vertexCounter / s / corners);
        var data = GLImmediate.vertexData;
        var source = data.slice(0, shapes * corners * s);
        var room = Math.floor(data.length / (2 * corners * s));  // shapes that fit at once
        for (var first = 0; first < shapes; first += room) {
          var k = 0;
          var last = Math.min(shapes, first + room);
          for (var shape = first; shape < last; shape++) {
            var base = shape * corners;
            for (var e = 0; e < corners; e++) {
              var a = (base + e) * s, b = (base + (e + 1) % corners) * s;
              for (var i = 0; i < s; i++) data[k++] = source[a + i];
              for (var i = 0; i < s; i++) data[k++] = source[b + i];
            }
          }
          GLImmediate.mode = 1;  // LINES
          GLImmediate.vertexCounter = k;
          GLImmediate.firstVertex = 0;
          GLImmediate.lastVertex = k / s;
          flush.call(this);
        }
        GLImmediate.mode = mode;
      };
    },
  },

  velastria_gl_ready__deps: ['$velastriaGl', '$GLImmediate'],
  velastria_gl_ready: function() {
    Module.useWebGL = true;
    GLImmediate.init();
    velastriaGl.mendImmediateMode();
  },

  glPolygonMode__deps: ['$velastriaGl'],
  glPolygonMode: function(face, mode) {
    velastriaGl.lines = mode == 0x1B01;  // LINE; POINT is drawn filled like FILL
  },

  velastria_gl_multi_tex_coord_2f__deps: ['$GLImmediate'],
  velastria_gl_multi_tex_coord_2f: function(target, s, t) {
    GLImmediate.vertexData[GLImmediate.vertexCounter++] = s;
    GLImmediate.vertexData[GLImmediate.vertexCounter++] = t;
    GLImmediate.addRendererComponent(GLImmediate.TEXTURE0 + (target - 0x84C0 /* TEXTURE0 */), 2, GLctx.FLOAT);
  },

  velastria_page_message: function(text, caption, icon) {
    var t = UTF8ToString(text), c = UTF8ToString(caption);
    if (Module.velastriaPage) Module.velastriaPage.message(t, c, icon);
    else console.error(c + ': ' + t);
  },

  velastria_page_ended: function(status) {
    if (Module.velastriaPage) Module.velastriaPage.ended(status);
  },

  velastria_audio_open: function(rate) {
    return Module.velastriaPage ? Module.velastriaPage.audioOpen(rate) : 0;
  },
  velastria_audio_play: function(ring, bytes, startByte) {
    if (Module.velastriaPage) Module.velastriaPage.audioPlay(ring, bytes >>> 0, startByte >>> 0);
  },
  velastria_audio_played: function() {
    return Module.velastriaPage ? Module.velastriaPage.audioPlayed() : 0;
  },
  velastria_audio_lost: function() {
    return Module.velastriaPage ? Module.velastriaPage.audioLost() : 0;
  },
  velastria_audio_stop: function() {
    if (Module.velastriaPage) Module.velastriaPage.audioStop();
  },

  velastria_test_virtual_fps: function() {
    return Module.velastriaPage ? Module.velastriaPage.testVirtualFps() : 0;
  },
  velastria_test_holding: function() {
    return Module.velastriaPage ? Module.velastriaPage.testHolding() : 0;
  },
  velastria_test_frame_done: function(frame, ms) {
    if (Module.velastriaPage) Module.velastriaPage.frameDone(frame, ms);
  },
});
