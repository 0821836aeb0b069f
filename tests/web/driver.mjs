// A small DevTools driver for the browser tests: starts Debian's chromium headless with the
// protocol on a pipe (fd 3 to the browser, fd 4 from it, JSON messages ended by a NUL byte),
// serves a folder on 127.0.0.1 from this process, and drives one page at a time.
import { spawn } from 'node:child_process';
import { createServer } from 'node:http';
import { mkdtempSync, readFileSync, rmSync, statSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { extname, join, normalize } from 'node:path';
import { inflateSync } from 'node:zlib';

// WebGL 1 comes from SwiftShader through ANGLE; without --enable-unsafe-swiftshader this
// chromium refuses the software fallback and the page gets no context.  The autoplay flag
// only spares the audio context's start from needing a gesture the protocol's input events
// may not count as one; the page's start screen is still driven by real key and mouse events.
export const chromiumFlags = [
  '--headless', '--no-sandbox', '--use-angle=swiftshader', '--enable-unsafe-swiftshader',
  '--ignore-gpu-blocklist', '--disable-background-networking', '--disable-component-update',
  '--disable-sync', '--no-first-run', '--no-default-browser-check', '--disable-quic',
  '--disable-extensions', '--disable-default-apps', '--mute-audio',
  '--autoplay-policy=no-user-gesture-required', '--disable-background-timer-throttling',
  '--disable-renderer-backgrounding', '--disable-backgrounding-occluded-windows',
  '--window-size=640,480', '--remote-debugging-pipe',
];

const mimeTypes = {
  '.html': 'text/html', '.js': 'text/javascript', '.mjs': 'text/javascript', '.css': 'text/css',
  '.wasm': 'application/wasm', '.json': 'application/json', '.png': 'image/png',
};

// Serves `root` read-only; resolves to the base URL.
export function serveFolder(root) {
  const server = createServer((req, res) => {
    const path = normalize(decodeURIComponent(new URL(req.url, 'http://x').pathname));
    let file = join(root, path);
    try {
      if (statSync(file).isDirectory()) file = join(file, 'index.html');
      const body = readFileSync(file);
      res.writeHead(200, { 'Content-Type': mimeTypes[extname(file)] || 'application/octet-stream',
                           'Cache-Control': 'no-store' });
      res.end(body);
    } catch {
      res.writeHead(404);
      res.end('not found');
    }
  });
  return new Promise(resolve => server.listen(0, '127.0.0.1', () =>
    resolve({ url: `http://127.0.0.1:${server.address().port}/`, close: () => server.close() })));
}

export class Browser {
  static async launch(extraFlags = []) {
    const b = new Browser();
    b.profile = mkdtempSync(join(tmpdir(), 'velastria-chromium-'));
    const flags = [...chromiumFlags, ...extraFlags, `--user-data-dir=${b.profile}`, 'about:blank'];
    b.proc = spawn(process.env.VELASTRIA_CHROMIUM || '/usr/bin/chromium', flags,
                   { stdio: ['ignore', 'ignore', 'pipe', 'pipe', 'pipe'] });
    b.stderr = '';
    b.proc.stderr.on('data', d => { b.stderr = (b.stderr + d).slice(-20000); });
    b.exited = new Promise(resolve => { b.proc.on('exit', resolve); b.proc.on('error', e => { b.stderr += e.message; resolve(e.code); }); });
    b.nextId = 1;
    b.pending = new Map();
    b.listeners = new Set();
    let buffered = Buffer.alloc(0);
    b.proc.stdio[4].on('data', chunk => {
      buffered = Buffer.concat([buffered, chunk]);
      for (let end; (end = buffered.indexOf(0)) >= 0; buffered = buffered.subarray(end + 1))
        b.dispatch(JSON.parse(buffered.subarray(0, end).toString('utf8')));
    });
    b.proc.stdio[3].on('error', () => {});  // a browser gone shows up through `exited`
    b.exited.then(code => {
      b.gone = `chromium exited (${code}): ${b.stderr.slice(-2000)}`;
      for (const { reject } of b.pending.values()) reject(new Error(b.gone));
      b.pending.clear();
    });
    try {
      await b.send('Target.setDiscoverTargets', { discover: true });
    } catch (e) {
      await b.close();
      throw e;
    }
    return b;
  }

  dispatch(msg) {
    if (msg.id !== undefined) {
      const p = this.pending.get(msg.id);
      this.pending.delete(msg.id);
      if (!p) return;
      if (msg.error) p.reject(new Error(`${p.method}: ${msg.error.message}`));
      else p.resolve(msg.result);
      return;
    }
    for (const listener of this.listeners) listener(msg);
  }

  send(method, params = {}, sessionId) {
    const id = this.nextId++;
    const msg = { id, method, params };
    if (sessionId) msg.sessionId = sessionId;
    return new Promise((resolve, reject) => {
      if (this.gone) return reject(new Error(this.gone));
      this.pending.set(id, { resolve, reject, method });
      this.proc.stdio[3].write(JSON.stringify(msg) + '\0');
    });
  }

  async newPage() {
    const { targetId } = await this.send('Target.createTarget', { url: 'about:blank' });
    const { sessionId } = await this.send('Target.attachToTarget', { targetId, flatten: true });
    const page = new Page(this, sessionId, targetId);
    await page.init();
    return page;
  }

  async close() {
    try {
      await Promise.race([this.send('Browser.close'), new Promise(r => setTimeout(r, 3000))]);
    } catch { /* already gone */ }
    const done = await Promise.race([this.exited.then(() => true), new Promise(r => setTimeout(() => r(false), 5000))]);
    if (!done) this.proc.kill('SIGKILL');
    rmSync(this.profile, { recursive: true, force: true });
  }
}

export class Page {
  constructor(browser, sessionId, targetId) {
    this.browser = browser;
    this.sessionId = sessionId;
    this.targetId = targetId;
    this.console = [];      // "type: text" of every console call and uncaught exception
    this.requestRule = null; // url -> undefined (pass), 'fail', or an HTTP status to answer
    browser.listeners.add(msg => { if (msg.sessionId === this.sessionId) this.onEvent(msg); });
  }

  send(method, params) { return this.browser.send(method, params, this.sessionId); }

  async init() {
    await Promise.all([this.send('Page.enable'), this.send('Runtime.enable')]);
    await this.resize(640, 480);
  }

  resize(width, height) {
    return this.send('Emulation.setDeviceMetricsOverride', { width, height, deviceScaleFactor: 1, mobile: false });
  }

  onEvent({ method, params }) {
    if (method === 'Runtime.consoleAPICalled') {
      const text = params.args.map(a => a.value ?? a.description ?? '').join(' ');
      this.console.push(`${params.type}: ${text}`);
    } else if (method === 'Runtime.exceptionThrown') {
      const d = params.exceptionDetails;
      this.console.push(`exception: ${d.exception?.description ?? d.text}`);
    } else if (method === 'Fetch.requestPaused') {
      const verdict = this.requestRule?.(params.request.url);
      const requestId = params.requestId;
      const reply = verdict === 'fail'
        ? this.send('Fetch.failRequest', { requestId, errorReason: 'Failed' })
        : typeof verdict === 'number'
          ? this.send('Fetch.fulfillRequest', { requestId, responseCode: verdict, body: '' })
          : this.send('Fetch.continueRequest', { requestId });
      reply.catch(() => {});  // the page may be gone
    }
  }

  // Requests for which rule(url) answers 'fail' fail at the network level; a number is
  // answered as that HTTP status with an empty body.  Set before goto.
  async interceptRequests(rule) {
    this.requestRule = rule;
    await this.send('Fetch.enable', { patterns: [{ urlPattern: '*' }] });
  }

  // Opens url with `window.velastriaTest = hooks` defined before any of the page's scripts.
  async goto(url, hooks) {
    if (hooks !== undefined)
      await this.send('Page.addScriptToEvaluateOnNewDocument', { source: `window.velastriaTest = ${JSON.stringify(hooks)};` });
    const loaded = new Promise(resolve => {
      const l = msg => {
        if (msg.sessionId === this.sessionId && msg.method === 'Page.loadEventFired') {
          this.browser.listeners.delete(l);
          resolve();
        }
      };
      this.browser.listeners.add(l);
    });
    const { errorText } = await this.send('Page.navigate', { url });
    if (errorText) throw new Error(`cannot open ${url}: ${errorText}`);
    await loaded;
  }

  async evaluate(expression) {
    const r = await this.send('Runtime.evaluate', { expression, returnByValue: true, awaitPromise: true });
    if (r.exceptionDetails) throw new Error(`${expression}: ${r.exceptionDetails.exception?.description ?? r.exceptionDetails.text}`);
    return r.result.value;
  }

  // Polls a page expression until it is truthy; returns its value or throws after timeoutMs.
  async waitFor(expression, timeoutMs = 10000, what = expression) {
    const end = Date.now() + timeoutMs;
    for (;;) {
      const v = await this.evaluate(expression);
      if (v) return v;
      if (Date.now() > end) throw new Error(`timed out after ${timeoutMs / 1000} s waiting for ${what}`);
      await new Promise(r => setTimeout(r, 50));
    }
  }

  // One key press as the keyboard gives it: key down (with its text for printable keys) and up.
  async pressKey(key, code = key.length === 1 ? `Key${key.toUpperCase()}` : key) {
    const keyCodes = { Escape: 27, Enter: 13, ' ': 32 };
    const windowsVirtualKeyCode = keyCodes[key] ?? key.toUpperCase().charCodeAt(0);
    const text = key.length === 1 ? key : undefined;
    await this.send('Input.dispatchKeyEvent', { type: text ? 'keyDown' : 'rawKeyDown', key, code, windowsVirtualKeyCode, text });
    await this.send('Input.dispatchKeyEvent', { type: 'keyUp', key, code, windowsVirtualKeyCode });
  }

  async click(x, y) {
    for (const type of ['mouseMoved', 'mousePressed', 'mouseReleased'])
      await this.send('Input.dispatchMouseEvent', { type, x, y, button: type === 'mouseMoved' ? 'none' : 'left', clickCount: 1 });
  }

  // Clicks the middle of the element a selector names.
  async clickOn(selector) {
    const box = await this.evaluate(`(() => { const r = document.querySelector(${JSON.stringify(selector)}).getBoundingClientRect();
      return [r.x + r.width / 2, r.y + r.height / 2]; })()`);
    await this.click(box[0], box[1]);
  }

  // The 640x480 viewport as a PNG.
  async screenshot() {
    const { data } = await this.send('Page.captureScreenshot',
      { format: 'png', clip: { x: 0, y: 0, width: 640, height: 480, scale: 1 }, captureBeyondViewport: false });
    return Buffer.from(data, 'base64');
  }
}

// 8-bit RGB or RGBA PNG, not interlaced (what chromium and the capture tool write) to
// { width, height, rgb } with three bytes a pixel, top row first.
export function decodePng(png) {
  let pos = 8, width = 0, height = 0, channels = 0;
  const idat = [];
  while (pos < png.length) {
    const length = png.readUInt32BE(pos), type = png.toString('latin1', pos + 4, pos + 8);
    const body = png.subarray(pos + 8, pos + 8 + length);
    if (type === 'IHDR') {
      width = body.readUInt32BE(0);
      height = body.readUInt32BE(4);
      const colorType = body[9];
      if (body[8] !== 8 || body[12] !== 0 || (colorType !== 2 && colorType !== 6))
        throw new Error('only 8-bit RGB/RGBA PNG files without interlacing are read here');
      channels = colorType === 2 ? 3 : 4;
    } else if (type === 'IDAT') idat.push(body);
    pos += 12 + length;
  }
  const raw = inflateSync(Buffer.concat(idat));
  const stride = width * channels;
  const out = Buffer.alloc(width * height * channels);
  for (let y = 0; y < height; ++y) {
    const filter = raw[y * (stride + 1)];
    const line = raw.subarray(y * (stride + 1) + 1, (y + 1) * (stride + 1));
    const row = y * stride, prev = row - stride;
    for (let x = 0; x < stride; ++x) {
      const a = x >= channels ? out[row + x - channels] : 0;
      const b = y > 0 ? out[prev + x] : 0;
      const c = x >= channels && y > 0 ? out[prev + x - channels] : 0;
      let p = 0;
      if (filter === 1) p = a;
      else if (filter === 2) p = b;
      else if (filter === 3) p = (a + b) >> 1;
      else if (filter === 4) {
        const pa = Math.abs(b - c), pb = Math.abs(a - c), pc = Math.abs(a + b - 2 * c);
        p = pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
      }
      out[row + x] = (line[x] + p) & 255;
    }
  }
  if (channels === 3) return { width, height, rgb: out };
  const rgb = Buffer.alloc(width * height * 3);
  for (let i = 0, j = 0; i < out.length; i += 4, j += 3) { rgb[j] = out[i]; rgb[j + 1] = out[i + 1]; rgb[j + 2] = out[i + 2]; }
  return { width, height, rgb };
}
