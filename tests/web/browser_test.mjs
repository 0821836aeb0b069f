// The browser build in headless chromium: start screen, the picture's fit to the window, F,
// pictures beside the native capture tool's, the samples handed to Web Audio beside
// xmrender's, the end card (by Escape and by the song's end), and the messages for a missing
// file and for a browser without WebGL.
//   node browser_test.mjs BUILD SITE      (BUILD: the native build folder, SITE: build-web/site)
// VELASTRIA_WEB_CASES="show messages frames" (the default) names the cases to run;
// VELASTRIA_WEB_PICTURES=DIR keeps both sides' pictures there (web_N.png, native_N.png).
import { spawn } from 'node:child_process';
import { copyFileSync, mkdirSync, mkdtempSync, readdirSync, readFileSync, rmSync, unlinkSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { Browser, decodePng, serveFolder } from './driver.mjs';

const [build, site] = process.argv.slice(2);
const tmp = mkdtempSync(join(tmpdir(), 'velastria-web-test-'));
const fps = 6;
const audioSeconds = 3;
// One picture a scene, mid-pattern (away from the fades at the pattern edges), at `fps`.
// `limit` is the largest mean difference per colour channel (0-255) from the native frame,
// over the columns from `left` on.  The particles draw from the C library's random numbers,
// which differ between the two builds' libraries, so they land elsewhere: the starfield,
// all particles, gets a loose limit and the same overall brightness; the credits are
// compared right of the fire.
const shots = [
  { frame: 70, scene: 'TitleScene', order: 1, limit: 1.5 },
  // Row 16 of order 5: the terrain's wireframe flash, sky hidden.
  { frame: 242, scene: 'LandscapeScene', order: 5, row16: true, limit: 2.5, wireframe: true },
  { frame: 440, scene: 'StarfieldScene', order: 9, limit: 11 },
  { frame: 620, scene: 'GlassCubeScene', order: 13, limit: 3 },
  { frame: 805, scene: 'SpirographScene', order: 17, limit: 3 },
  { frame: 990, scene: 'CreditsScene', order: 21, limit: 1.5, left: 260, text: true },
];
const cases = (process.env.VELASTRIA_WEB_CASES || 'show messages frames').split(/[ ,]+/);
const wanted = name => cases.includes(name);
const keepDir = process.env.VELASTRIA_WEB_PICTURES;
if (keepDir) mkdirSync(keepDir, { recursive: true });
const lastOrder = Math.max(...shots.map(s => s.order));

let failures = 0;
function check(name, ok, detail = '') {
  console.log(`${ok ? 'ok  ' : 'FAIL'} ${name}${!ok && detail ? `: ${detail}` : ''}`);
  if (!ok) ++failures;
  return ok;
}
const seconds = t0 => `${((Date.now() - t0) / 1000).toFixed(1)} s`;

function run(program, args, onTick) {
  return new Promise((resolve, reject) => {
    const child = spawn(program, args, { stdio: ['ignore', 'ignore', 'pipe'] });
    let stderr = '';
    child.stderr.on('data', d => { stderr += d; });
    const timer = onTick ? setInterval(onTick, 200) : null;
    child.on('error', reject);
    child.on('exit', code => {
      if (timer) clearInterval(timer);
      if (onTick) onTick();
      code === 0 ? resolve() : reject(new Error(`${program} exited with ${code}: ${stderr.trim()}`));
    });
  });
}

// The native frames of the chosen positions, and the capture's log of every frame.  The
// tool writes every frame of the stretch; those not wanted are removed as they come.
async function nativeFrames() {
  const dir = join(tmp, 'native');
  const keep = new Set(shots.map(s => `frame_${String(s.frame).padStart(6, '0')}.png`));
  const prune = () => {
    for (const name of readdirSync(dir, { withFileTypes: false }))
      if (!keep.has(name)) try { unlinkSync(join(dir, name)); } catch { /* still being written */ }
  };
  await run(join(build, 'tools/velastria-capture'),
            ['--fps', String(fps), '--data', join(build, 'demo'), '--frames', dir, '--log', join(tmp, 'native.log'),
             '--to-order', String(lastOrder), '--quiet'],
            () => { try { prune(); } catch { /* not made yet */ } });
  const log = new Map();
  for (const line of readFileSync(join(tmp, 'native.log'), 'utf8').trim().split('\n')) {
    const [frame, , order, row, scene] = line.split(' ');
    log.set(Number(frame), { order: Number(order), row: Number(row), scene });
  }
  return { dir, log };
}

async function referenceAudio() {
  const wav = join(tmp, 'reference.wav');
  await run(join(build, 'tools/xmrender'), ['--seconds', String(audioSeconds), '-o', wav, join(site, 'sound/velastr.xm')]);
  const bytes = readFileSync(wav);
  return new Int16Array(bytes.buffer.slice(bytes.byteOffset + 44, bytes.byteOffset + bytes.length));
}

const visible = selector => `(() => { const e = document.querySelector(${JSON.stringify(selector)});
  if (!e) return false; const s = getComputedStyle(e);
  return s.display !== 'none' && s.visibility !== 'hidden' && e.getClientRects().length > 0; })()`;
const textOf = selector => `(document.querySelector(${JSON.stringify(selector)}) || {}).textContent || ''`;
const startScreen = `${visible('#start')} && /click or press a key/.test(${textOf('#start')})`;
const waitReady = page => page.waitFor(startScreen, 30000, 'the start screen to ask for a click or a key');
const state = field => `(window.velastriaTestState || {}).${field}`;

async function withPage(server, flags, body) {
  const browser = await Browser.launch(flags);
  try {
    const page = await browser.newPage();
    await body(page);
    return page;
  } catch (e) {
    check('browser session', false, e.message);
  } finally {
    await browser.close();
  }
}

// Start screen, sound, end card, again.
async function showCase(server, reference) {
  const t0 = Date.now();
  await withPage(server, [], async page => {
    await page.goto(server.url, { recordAudioSeconds: audioSeconds });
    check('the page title is the demo\'s name', await page.evaluate('document.title') === 'Marn',
          await page.evaluate('document.title'));
    check('the start screen asks for a click or a key', await waitReady(page).then(() => true, () => false),
          await page.evaluate(textOf('#start')));
    check('the show waits for the viewer', !(await page.evaluate(state('started'))));
    await page.pressKey('k');
    await page.waitFor(`${state('started')} && !${visible('#start')}`, 15000, 'the show to start on a key');
    check('a key starts the show', true);

    // A wider window: the picture is the largest 4:3 rectangle, centred.
    await page.resize(1000, 600);
    const box = await page.waitFor(`(r => r.width === 800 && [r.x, r.y, r.width, r.height].join(' '))(
      document.querySelector('#picture').getBoundingClientRect())`, 5000, 'the picture to fit the window').catch(e => e.message);
    check('the picture fits a wider window, centred', box === '100 0 800 600', box);
    await page.resize(640, 480);
    await page.pressKey('f');
    const full = await page.waitFor('!!document.fullscreenElement', 5000).then(() => true, () => false);
    await page.pressKey('f');
    check('F toggles full screen', full && await page.waitFor('!document.fullscreenElement', 5000).then(() => true, () => false));

    await page.waitFor(state('audioComplete'), 30000, `${audioSeconds} s of recorded sound`);
    const audio = await page.evaluate(`Array.from(${state('audio')})`);
    const wanted = audioSeconds * 44100 * 2;
    let firstDiff = -1;
    for (let i = 0; i < Math.min(wanted, audio.length); ++i)
      if (audio[i] !== reference[i]) { firstDiff = i; break; }
    check(`the first ${audioSeconds} s handed to Web Audio equal xmrender's samples`,
          audio.length >= wanted && firstDiff < 0 && reference.some(v => v !== 0),
          audio.length < wanted ? `${audio.length} samples recorded, ${wanted} wanted`
            : firstDiff < 0 ? 'xmrender\'s render is silent'
            : `sample ${firstDiff} (frame ${firstDiff >> 1}) is ${audio[firstDiff]}, xmrender has ${reference[firstDiff]}`);

    // Out of sight the page gets no frames, but the sound must play on (it does not hang on
    // the frames); back in sight, the frames come again.
    const heard = `Module.velastriaPage.audioPlayed()`;
    const other = await page.browser.newPage();
    await page.browser.send('Target.activateTarget', { targetId: other.targetId });
    await page.waitFor(`document.visibilityState === 'hidden'`, 5000).catch(() => {});
    const hidden0 = await page.evaluate(`[${state('frame')}, ${heard}]`);
    await new Promise(r => setTimeout(r, 2000));
    const hidden1 = await page.evaluate(`[document.visibilityState, ${state('frame')}, ${heard}]`);
    await page.browser.send('Target.activateTarget', { targetId: page.targetId });
    const back = await page.waitFor(`document.visibilityState === 'visible' && ${state('frame')} > ${hidden1[1]}`, 5000)
      .then(() => true, () => false);
    const playedHidden = (hidden1[2] - hidden0[1]) / 44100;
    check('out of sight the sound plays on, and the frames come back', hidden1[0] === 'hidden' && playedHidden > 1.5 && back,
          `${hidden1[0]}: ${playedHidden.toFixed(2)} s played in 2 s, ${hidden1[1] - hidden0[0]} frames; frames again: ${back}`);

    await page.pressKey('Escape');
    await page.waitFor(`${state('ended')} && ${visible('#end')}`, 15000, 'the end card after Escape');
    check('Escape ends the show with the end card', true);
    check('the end card offers to play again', await page.evaluate(visible('#again')) &&
          /play again/i.test(await page.evaluate(textOf('#again'))), await page.evaluate(textOf('#again')));
    check('the program ended with status 0', await page.evaluate(state('status')) === 0, String(await page.evaluate(state('status'))));
    const framesBefore = await page.evaluate(state('frame'));
    await page.clickOn('#again');
    await page.waitFor(`${state('started')} && !${state('ended')} && !${visible('#end')} && ${state('frame')} !== ${framesBefore}`,
                       15000, 'the show to start again');
    check('"play again" starts the show again', true);
    const messages = await page.evaluate(`${state('messages')} || []`);
    check('no message during the show', messages.length === 0, messages.join(' | '));
  });
  console.log(`     (start, sound and end card: ${seconds(t0)})`);
}

// Mean difference per channel over the columns from `left` on, and mean brightness.
function compare(a, b, left = 0) {
  let sum = 0, n = 0;
  for (let i = 0; i < a.length; ++i) if ((i / 3 | 0) % 640 >= left) { sum += Math.abs(a[i] - b[i]); ++n; }
  return sum / n;
}
const brightness = rgb => rgb.reduce((sum, v) => sum + v, 0) / rgb.length;
function share(rgb, test) {
  let n = 0;
  for (let i = 0; i < rgb.length; i += 3) if (test(rgb[i], rgb[i + 1], rgb[i + 2])) ++n;
  return n / (rgb.length / 3);
}
// Between the wireframe's lines lies the dark blue behind the terrain; filled, it is the colour map.
const dark = (r, g, b) => r + g + b < 110;
// The credits' lines are a pale lilac; the fire behind them is orange and the logo warm.
const lilac = (r, g, b) => b > 150 && b >= r && b > g + 10;

async function framesCase(server, native) {
  const t0 = Date.now();
  const pictures = new Map();
  await withPage(server, [], async page => {
    await page.goto(server.url, { virtualFps: fps, pauseAtFrames: shots.map(s => s.frame) });
    await waitReady(page);
    await page.clickOn('#start');
    await page.waitFor(state('started'), 15000, 'the show to start on a click');
    for (const s of shots) {
      await page.waitFor(`${state('pausedAt')} === ${s.frame} || ${state('frame')} > ${s.frame + 1} || ${state('ended')}`,
                         150000, `frame ${s.frame}`);
      if (!check(`the page stops at frame ${s.frame}`, await page.evaluate(state('pausedAt')) === s.frame,
                 `at frame ${await page.evaluate(state('frame'))}`)) break;
      const png = await page.screenshot();
      pictures.set(s.frame, decodePng(png));
      if (keepDir) writeFileSync(join(keepDir, `web_${s.frame}.png`), png);
      await page.evaluate('window.velastriaTest.resume()');
    }
    // The rest of the show, to the song's own end.
    await page.waitFor(`${state('ended')} && ${visible('#end')}`, 150000, 'the end card at the song\'s end');
    check('the song\'s end ends the show with the end card and status 0', await page.evaluate(state('status')) === 0,
          `status ${await page.evaluate(state('status'))}`);
    const messages = await page.evaluate(`${state('messages')} || []`);
    check('no message while playing on virtual time', messages.length === 0, messages.join(' | '));
  });
  console.log(`     (frames on virtual time: ${seconds(t0)})`);
  for (const s of shots) {
    const at = native.log.get(s.frame);
    const where = at ? `${at.scene} order ${at.order} row ${at.row}` : 'not captured';
    const chosen = at && at.scene === s.scene && at.order === s.order && (!s.row16 || at.row % 16 === 0);
    if (!check(`frame ${s.frame} is still where it was chosen (${s.scene}, order ${s.order})`, chosen, where)) continue;
    const web = pictures.get(s.frame);
    if (!web) continue;
    const nativeFile = join(native.dir, `frame_${String(s.frame).padStart(6, '0')}.png`);
    if (keepDir) copyFileSync(nativeFile, join(keepDir, `native_${s.frame}.png`));
    const ref = decodePng(readFileSync(nativeFile));
    const diff = compare(web.rgb, ref.rgb, s.left);
    const [bw, bn] = [brightness(web.rgb), brightness(ref.rgb)];
    check(`frame ${s.frame} (${s.scene}) matches the native picture`, diff <= s.limit && Math.abs(bw - bn) <= 0.1 * bn + 1,
          `mean difference ${diff.toFixed(2)} (limit ${s.limit}), brightness ${bw.toFixed(2)} against ${bn.toFixed(2)}`);
    console.log(`     frame ${s.frame}: mean difference ${diff.toFixed(2)} (limit ${s.limit}), brightness ${bw.toFixed(2)} (native ${bn.toFixed(2)})`);
    if (s.wireframe) {
      const [w, r] = [share(web.rgb, dark), share(ref.rgb, dark)];
      check(`frame ${s.frame}: the terrain is drawn as lines, not filled`, r > 0.5 && w > r * 0.8,
            `dark share ${w.toFixed(3)} in the browser, ${r.toFixed(3)} native`);
    }
    if (s.text) {
      const [w, r] = [share(web.rgb, lilac), share(ref.rgb, lilac)];
      check(`frame ${s.frame}: the credits' 3D text is there`, r > 0.002 && w > r * 0.7,
            `text share ${w.toFixed(4)} in the browser, ${r.toFixed(4)} native`);
    }
  }
}

// A data file that cannot be had, and a browser without WebGL: a message on the page.
async function messageCase(server, name, flags, rule, pattern) {
  const t0 = Date.now();
  await withPage(server, flags, async page => {
    if (rule) await page.interceptRequests(rule);
    await page.goto(server.url, {});
    await page.pressKey('k');
    const text = await page.waitFor(`${visible('#message')} && ${textOf('#message')}`, 20000, 'a message on the page');
    check(`${name}: the page says so`, pattern.test(text), text);
  });
  console.log(`     (${name}: ${seconds(t0)})`);
}

const server = await serveFolder(site);
try {
  const t0 = Date.now();
  const nativeRun = wanted('frames') ? nativeFrames() : null;  // the native side runs while the short cases do
  nativeRun?.catch(() => {});
  if (wanted('show')) await showCase(server, await referenceAudio());
  if (wanted('messages')) {
    await messageCase(server, 'the song cannot be fetched', [],
                      url => url.endsWith('/sound/velastr.xm') ? 'fail' : undefined, /velastr\.xm/);
    await messageCase(server, 'a texture is missing', [],
                      url => url.endsWith('/textures/velastria.jpg') ? 404 : undefined, /velastria\.jpg/);
    await messageCase(server, 'no WebGL', ['--disable-webgl'], null, /webgl/i);
  }
  if (nativeRun) {
    const t1 = Date.now();
    const native = await nativeRun;
    console.log(`     (native capture done ${seconds(t1)} after the short cases)`);
    await framesCase(server, native);
  }
  console.log(`${failures === 0 ? 'all browser checks passed' : `${failures} browser checks failed`} (${seconds(t0)})`);
} catch (e) {
  check('browser tests', false, e.stack);
} finally {
  server.close();
  rmSync(tmp, { recursive: true, force: true });
}
process.exit(failures === 0 ? 0 : 1);
