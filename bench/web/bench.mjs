// The browser version's speed in headless chromium (WebGL on SwiftShader): each scene's
// frame time on the virtual timeline, draw calls per frame, and the time from the start
// click to the first frame drawn.  Prints tab-separated lines for bench/report.py.
//   node bench.mjs DRIVER SITE FPS NATIVE_FRAME_LOG [LOADS [FRAMES]]
// DRIVER: the browser tests' DevTools driver (tests/web/driver.mjs); NATIVE_FRAME_LOG: the
// native run's "frame scene ms" lines at the same FPS, which name the scene of each frame
// when the page does not (its frameLog hook); LOADS: page loads timed from click to first
// frame (3); FRAMES: stop the show after that many frames (a quick look; default the whole).
import { readFileSync } from 'node:fs';

const [driverPath, site, fpsText, nativeLog, loadsText] = process.argv.slice(2);
const { Browser, serveFolder } = await import(driverPath);
const fps = Number(fpsText);
const loads = Number(loadsText || 3);
const frameLimit = Number(process.argv[7] || 0);

// Runs in the page before its own scripts.  A frame is an animation-frame callback that
// issued WebGL draw calls; its time runs from the callback's start to the end of a one-pixel
// read-back, which waits for the rasteriser as glFinish does in the native figures.
const probe = `(() => {
  const log = [];
  const probe = window.velastriaBench = { log, clickAt: null, firstFrameAt: null };
  let draws = 0, context = null;
  for (const C of [window.WebGLRenderingContext, window.WebGL2RenderingContext]) {
    if (!C) continue;
    for (const name of ['drawArrays', 'drawElements']) {
      const original = C.prototype[name];
      C.prototype[name] = function (...args) { ++draws; context = this; return original.apply(this, args); };
    }
  }
  const pixel = new Uint8Array(4);
  const raf = window.requestAnimationFrame.bind(window);
  window.requestAnimationFrame = callback => raf(now => {
    draws = 0;
    const t0 = performance.now();
    try {
      callback(now);
    } finally {
      if (draws > 0 && context && probe.clickAt !== null) {
        context.readPixels(0, 0, 1, 1, context.RGBA, context.UNSIGNED_BYTE, pixel);
        const t1 = performance.now();
        // The page's count of frames run (the frame just drawn is one less) when it gives
        // one; else frames drawn since the click (a hand-over pass draws nothing, so this
        // lags by one frame per scene change).
        const count = (window.velastriaTestState || {}).frame;
        const frame = typeof count === 'number' ? count - 1 : log.length;
        log.push([frame, t1 - t0, draws]);
        if (probe.firstFrameAt === null) probe.firstFrameAt = t1;
      }
    }
  });
  for (const type of ['mousedown', 'keydown'])
    window.addEventListener(type, () => { if (probe.clickAt === null) probe.clickAt = performance.now(); }, true);
})();`;

const nativeScene = new Map();
for (const line of readFileSync(nativeLog, 'utf8').trim().split('\n')) {
  const [frame, scene] = line.split(' ');
  nativeScene.set(Number(frame), scene);
}
// The page names scenes by their class, the native figures by short names.
const shortName = s => s.replace(/Scene$/, '').toLowerCase();

// The start screen shows while the data loads too; it asks for the click once ready.
const visibleStart = `(() => { const e = document.querySelector('#start'); if (!e) return false;
  const s = getComputedStyle(e);
  return s.display !== 'none' && s.visibility !== 'hidden' && /click or press a key/.test(e.textContent); })()`;

async function openPage(browser, server, hooks) {
  const page = await browser.newPage();
  // A page left in the background gets no animation frames.
  await page.send('Page.bringToFront');
  await page.send('Page.addScriptToEvaluateOnNewDocument', { source: probe });
  await page.goto(server.url, hooks);
  await page.waitFor(visibleStart, 60000, 'the start screen');
  return page;
}

const server = await serveFolder(site);
const browser = await Browser.launch();
try {
  // Click to first frame: fresh page loads on the real clock.
  const firsts = [];
  for (let i = 0; i < loads; ++i) {
    const page = await openPage(browser, server, {});
    await page.clickOn('#start');
    const ms = await page.waitFor(`(() => { const p = window.velastriaBench;
      return p.firstFrameAt !== null && p.firstFrameAt - p.clickAt; })()`, 30000, 'the first frame');
    firsts.push(ms);
    await browser.send('Target.closeTarget', { targetId: page.targetId });
  }
  firsts.sort((a, b) => a - b);
  console.log(`firstframe\t${firsts[firsts.length >> 1].toFixed(0)}\t${firsts.map(v => v.toFixed(0)).join(',')}`);

  // The whole show on the virtual timeline, so that each scene draws the frames it draws natively.
  const page = await openPage(browser, server, { virtualFps: fps });
  await page.clickOn('#start');
  const t0 = Date.now();
  const over = frameLimit > 0 ? ` || window.velastriaBench.log.length >= ${frameLimit}` : '';
  await page.waitFor(`(window.velastriaTestState || {}).ended${over}`, 60 * 60 * 1000, 'the end of the show');
  const wall = (Date.now() - t0) / 1000;
  const log = await page.evaluate('window.velastriaBench.log');
  const pageLog = await page.evaluate('(window.velastriaTestState || {}).frameLog || null');
  const pageScene = new Map((pageLog || []).filter(e => typeof e.scene === 'string').map(e => [e.frame, e.scene]));
  // The page's own time of each frame: the program's pass without waiting for the rasteriser.
  const pageMs = new Map((pageLog || []).filter(e => typeof e.ms === 'number').map(e => [e.frame, e.ms]));
  const scenes = new Map();
  let unnamed = 0;
  for (const [frame, ms, draws] of log) {
    const name = pageScene.has(frame) ? shortName(pageScene.get(frame)) : nativeScene.get(frame);
    if (!name) { ++unnamed; continue; }
    if (!scenes.has(name)) scenes.set(name, []);
    scenes.get(name).push([ms, draws, pageMs.get(frame)]);
  }
  for (const [name, frames] of scenes) {
    // The first frame of a scene carries its set-up, which the native figures time apart.
    const rest = frames.length > 1 ? frames.slice(1) : frames;
    const mean = rest.reduce((a, [ms]) => a + ms, 0) / rest.length;
    const drawCalls = rest.reduce((a, [, d]) => a + d, 0) / rest.length;
    const issued = rest.filter(([, , p]) => p !== undefined);
    const issueMs = issued.length ? (issued.reduce((a, [, , p]) => a + p, 0) / issued.length).toFixed(2) : '-';
    console.log(`webscene\t${name}\t${rest.length}\t${mean.toFixed(2)}\t${drawCalls.toFixed(0)}\t${issueMs}`);
  }
  console.log(`webrun\t${log.length}\t${unnamed}\t${wall.toFixed(0)}\t${pageScene.size ? 'page' : 'native'}`);
  // What the wait costs by itself: a bare 640x480 canvas cleared and read back each frame.
  const bare = await browser.newPage();
  await bare.send('Page.bringToFront');
  const waitMs = await bare.evaluate(`new Promise(done => {
    const c = document.createElement('canvas'); c.width = 640; c.height = 480; document.body.appendChild(c);
    const gl = c.getContext('webgl', { antialias: false }), px = new Uint8Array(4), times = [];
    const frame = () => {
      const t0 = performance.now();
      gl.clearColor(times.length % 2, 0, 0, 1); gl.clear(gl.COLOR_BUFFER_BIT);
      gl.readPixels(0, 0, 1, 1, gl.RGBA, gl.UNSIGNED_BYTE, px);
      times.push(performance.now() - t0);
      if (times.length < 200) requestAnimationFrame(frame);
      else done(times.slice(20).reduce((a, v) => a + v, 0) / 180);
    };
    requestAnimationFrame(frame);
  })`);
  console.log(`bare\t${waitMs.toFixed(2)}`);
  const version = await browser.send('Browser.getVersion');
  console.log(`browser\t${version.product}`);
} finally {
  await browser.close();
  server.close();
}
