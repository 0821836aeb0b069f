// The page around the show: fetches the data files into the program's file system, shows
// the start screen (browsers hold sound until the viewer does something), starts the
// program, fits the picture to the window, plays the song's sound through Web Audio and
// shows the end card.  The program talks to it through Module.velastriaPage.
(function () {
  'use strict';

  var pictureWidth = 640, pictureHeight = 480;
  // Sound handed to Web Audio ahead of what it has played: enough to ride out a slow frame
  // on the page's thread, well inside the one second the program mixes ahead.
  var leadSeconds = 0.25;
  var pieceFrames = 2048;

  // Set only by a test driver, before this script runs; nothing on the page reaches it.
  var test = window.velastriaTest || null;
  var testState = test ? (window.velastriaTestState = {
    started: false, ended: false, status: null, messages: [], frameLog: [], frame: 0,
    pausedAt: null, audio: null, audioComplete: false, firstFrameMs: null,
  }) : null;

  var $ = function (id) { return document.getElementById(id); };
  var stage = $('stage'), picture = $('picture'), startCard = $('start'), startText = $('start-text');
  var endCard = $('end'), endText = $('end-text'), again = $('again'), messageBox = $('message');

  var phase = 'loading';  // loading, ready, starting, playing, ended, failed
  var runtimeDead = false;
  var holding = false;
  var startedAt = 0;

  // ---- the picture's place -------------------------------------------------------------

  function fit() {
    var w = window.innerWidth, h = window.innerHeight;
    var scale = Math.min(w / pictureWidth, h / pictureHeight);
    if (!(scale > 0)) scale = 1;
    var cw = Math.floor(pictureWidth * scale), ch = Math.floor(pictureHeight * scale);
    picture.style.width = cw + 'px';
    picture.style.height = ch + 'px';
    picture.style.left = Math.floor((w - cw) / 2) + 'px';
    picture.style.top = Math.floor((h - ch) / 2) + 'px';
  }
  window.addEventListener('resize', fit);
  document.addEventListener('fullscreenchange', fit);
  fit();

  function toggleFullscreen() {
    if (document.fullscreenElement) {
      if (document.exitFullscreen) document.exitFullscreen();
    } else if (stage.requestFullscreen) {
      stage.requestFullscreen().catch(function () {});
    }
  }

  // ---- messages -------------------------------------------------------------------------

  function showMessage(text) {
    console.error(text);
    if (testState) testState.messages.push(text);
    messageBox.textContent = messageBox.hidden ? text : messageBox.textContent + '\n' + text;
    messageBox.hidden = false;
  }
  messageBox.addEventListener('click', function () { messageBox.hidden = true; messageBox.textContent = ''; });

  // ---- sound ----------------------------------------------------------------------------

  var audio = {
    context: null, worklet: false, node: null, rate: 44100,
    ring: 0, frames: 0, start: 0, handed: 0, played: 0, heard: 0, position: 0,
    recorded: null, recordedFrames: 0,
  };

  function record(heap, index) {
    if (!audio.recorded || testState.audioComplete) return;
    var i = audio.recordedFrames++;
    audio.recorded[2 * i] = heap[index];
    audio.recorded[2 * i + 1] = heap[index + 1];
    if (audio.recordedFrames * 2 >= audio.recorded.length) {
      testState.audio = audio.recorded;
      testState.audioComplete = true;
    }
  }

  // Hands Web Audio the ring's sound up to `leadSeconds` past what it has played.  The
  // program's sound pass runs first, so the ring is mixed that far.
  function feed() {
    if (!audio.node || !audio.worklet) return;
    Module._velastria_audio_pump();
    var target = audio.played + Math.floor(leadSeconds * audio.rate);
    var heap = Module.HEAP16, base = audio.ring >> 1;
    while (audio.handed < target && audio.node) {
      var n = Math.min(pieceFrames, target - audio.handed);
      var left = new Float32Array(n), right = new Float32Array(n);
      for (var i = 0; i < n; i++) {
        var at = base + 2 * ((audio.start + audio.handed + i) % audio.frames);
        left[i] = heap[at] / 32768;
        right[i] = heap[at + 1] / 32768;
        record(heap, at);
      }
      audio.node.port.postMessage({ piece: [left, right] }, [left.buffer, right.buffer]);
      audio.handed += n;
    }
  }

  // Without audio worklets (pages not served from a secure origin, older browsers) the
  // page's own thread fills each buffer as Web Audio asks for it.
  function fillDirect(e) {
    Module._velastria_audio_pump();
    var step = audio.rate / audio.context.sampleRate;
    var out0 = e.outputBuffer.getChannelData(0), out1 = e.outputBuffer.getChannelData(1);
    var heap = Module.HEAP16, base = audio.ring >> 1;
    for (var k = 0; k < out0.length; k++) {
      var whole = Math.floor(audio.position);
      while (audio.played <= whole) {
        record(heap, base + 2 * ((audio.start + audio.played) % audio.frames));
        audio.played++;
      }
      var at = base + 2 * ((audio.start + whole) % audio.frames);
      out0[k] = heap[at] / 32768;
      out1[k] = heap[at + 1] / 32768;
      audio.position += step;
    }
  }

  function stopSound() {
    if (!audio.node) return;
    if (audio.worklet) audio.node.port.postMessage({ stop: true });
    audio.node.disconnect();
    audio.node = null;
  }

  // ---- what the program asks of the page ------------------------------------------------

  var page = {
    message: function (text, caption) { showMessage(text); },
    ended: function (status) { finished(status); },
    audioOpen: function (rate) {
      if (!audio.context || audio.context.state === 'closed') return 0;
      audio.rate = rate;
      return 1;
    },
    audioPlay: function (ring, bytes, startByte) {
      stopSound();
      audio.ring = ring;
      audio.frames = Math.floor(bytes / 4);
      audio.start = Math.floor(startByte / 4);
      audio.handed = audio.played = audio.heard = audio.position = 0;
      if (test && test.recordAudioSeconds > 0 && !audio.recorded)
        audio.recorded = new Int16Array(Math.floor(test.recordAudioSeconds * audio.rate) * 2);
      var ctx = audio.context;
      if (audio.worklet) {
        audio.node = new AudioWorkletNode(ctx, 'velastria-output', {
          numberOfInputs: 0, outputChannelCount: [2], processorOptions: { songRate: audio.rate },
        });
        audio.node.port.onmessage = function (e) { audio.played = e.data.played; feed(); };
        feed();
      } else {
        audio.node = ctx.createScriptProcessor(4096, 0, 2);
        audio.node.onaudioprocess = fillDirect;
      }
      audio.node.connect(ctx.destination);
    },
    // What has been heard: the played count less what the output still holds, never going back.
    audioPlayed: function () {
      var latency = audio.context && audio.context.outputLatency ? audio.context.outputLatency : 0;
      audio.heard = Math.max(audio.heard, audio.played - Math.round(latency * audio.rate));
      return audio.heard;
    },
    audioLost: function () { return audio.context && audio.context.state === 'closed' ? 1 : 0; },
    audioStop: stopSound,
    testVirtualFps: function () { return test && test.virtualFps > 0 ? Math.floor(test.virtualFps) : 0; },
    testHolding: function () { return holding ? 1 : 0; },
    frameDone: function (frame, ms) {
      if (!testState) return;
      if (frame === 0) testState.firstFrameMs = performance.now() - startedAt;
      testState.frame = frame + 1;
      testState.frameLog.push({ frame: frame, ms: ms });
      if (test.pauseAtFrames && test.pauseAtFrames.indexOf(frame) >= 0) {
        holding = true;
        testState.pausedAt = frame;
      }
    },
  };
  if (test) test.resume = function () { holding = false; testState.pausedAt = null; };

  // ---- the program ----------------------------------------------------------------------

  var Module = window.Module = {
    noInitialRun: true,
    canvas: picture,
    velastriaPage: page,
    print: function (text) { console.log(text); },
    printErr: function (text) { console.warn(text); },
    onRuntimeInitialized: loadData,
    onAbort: function (what) {
      runtimeDead = true;
      showMessage('The show stopped: ' + what);
      finished(1);
    },
  };

  function loadData() {
    var missing = [];
    fetch('data.json')
      .then(function (r) {
        if (!r.ok) throw new Error('data.json: ' + r.status + ' ' + r.statusText);
        return r.json();
      })
      .then(function (data) {
        return Promise.all(data.files.map(function (path) {
          return fetch(path)
            .then(function (r) {
              if (!r.ok) throw new Error(r.status + ' ' + r.statusText);
              return r.arrayBuffer();
            })
            .then(function (buffer) {
              var folder = path.lastIndexOf('/') > 0 ? path.slice(0, path.lastIndexOf('/')) : '';
              if (folder) Module.FS.mkdirTree('/' + folder);
              Module.FS.writeFile('/' + path, new Uint8Array(buffer));
            })
            .catch(function (err) { missing.push(path + ' (' + err.message + ')'); });
        }));
      })
      .then(function () {
        // The program says what each missing file costs the show when it gets there.
        if (missing.length) showMessage('Could not load ' + missing.join(', ') + '.');
        ready();
      })
      .catch(function (err) {
        phase = 'failed';
        showMessage('Could not load the show\'s files: ' + err.message);
        startText.textContent = 'The show cannot start.';
      });
  }

  function webglAvailable() {
    try {
      var c = document.createElement('canvas');
      return !!(window.WebGLRenderingContext && (c.getContext('webgl') || c.getContext('experimental-webgl')));
    } catch (e) {
      return false;
    }
  }

  function ready() {
    if (!webglAvailable()) {
      phase = 'failed';
      startText.textContent = 'The show cannot start.';
      showMessage('This browser cannot show the picture: WebGL is not available (it may be turned off, ' +
                  'or the graphics driver is not supported).');
      return;
    }
    phase = 'ready';
    startText.textContent = 'click or press a key';
  }

  function prepareSound() {
    var AC = window.AudioContext || window.webkitAudioContext;
    if (!audio.context && AC) {
      try { audio.context = new AC({ sampleRate: 44100 }); } catch (e) {
        try { audio.context = new AC(); } catch (e2) { audio.context = null; }
      }
    }
    if (!audio.context) return Promise.resolve();
    var resumed = audio.context.resume().catch(function () {});
    if (audio.worklet || !audio.context.audioWorklet || !window.AudioWorkletNode) return resumed;
    return audio.context.audioWorklet.addModule('audio-worklet.js')
      .then(function () { audio.worklet = true; }, function () { audio.worklet = false; });
  }

  function start() {
    if (phase !== 'ready' && phase !== 'ended') return;
    if (runtimeDead) { location.reload(); return; }
    phase = 'starting';
    startedAt = performance.now();
    startCard.hidden = true;
    endCard.hidden = true;
    // Created and resumed while the click or key is being handled: browsers allow sound then.
    var sound = prepareSound();
    sound.then(function () {
      if (!audio.context) showMessage('This browser gives the page no sound; the show plays in silence.');
      phase = 'playing';
      stage.classList.add('playing');
      if (testState) { testState.started = true; testState.ended = false; testState.status = null; }
      var status;
      try {
        status = Module.callMain([]);
      } catch (e) {
        status = 1;
        showMessage('The show stopped: ' + e);
      }
      // A program that hands its frames to the page returns 0 at once; anything else ended it.
      if (status) { runtimeDead = true; finished(status); }
    });
  }

  function finished(status) {
    if (phase === 'ended') return;
    phase = 'ended';
    stopSound();
    stage.classList.remove('playing');
    endText.textContent = status ? 'The show could not go on.' : 'The end.';
    endCard.hidden = false;
    if (testState) { testState.ended = true; testState.status = status; }
  }

  startCard.addEventListener('click', start);
  again.addEventListener('click', function (e) { e.stopPropagation(); start(); });
  stage.addEventListener('dblclick', function (e) {
    if (phase === 'playing') toggleFullscreen();
  });
  document.addEventListener('keydown', function (e) {
    if (e.ctrlKey || e.altKey || e.metaKey) return;
    if ((e.key === 'f' || e.key === 'F') && phase !== 'loading') {
      toggleFullscreen();
      e.preventDefault();
      return;
    }
    if (phase === 'ready' && !startCard.hidden) {
      e.preventDefault();
      start();
    }
  });

  startCard.hidden = false;
  var script = document.createElement('script');
  script.src = 'velastria.js';
  script.onerror = function () {
    phase = 'failed';
    startText.textContent = 'The show cannot start.';
    showMessage('Could not load the program (velastria.js).');
  };
  document.body.appendChild(script);
})();
