'use strict';
// Safe to watch in the page as on the desktop: with the music that made the show flash most before it was
// guarded (drum hits six a second) the page's frames over the tunnel, 30 to 40 s, read back from the canvas,
// pass the same FlashMeter as kiv-render's at 60 and 30 fps, and flash as often as kiv-render's frames. So do
// they with plain white pictures of the user's dropped in place of the two behind those seconds: the guard
// measures them in the page as on the desktop.
// KIV_FLASHES: kiv-flashes, which writes the music; KIV_RENDER: kiv-render.
const {test, before, after} = require('node:test');
const assert = require('node:assert');
const {execFileSync, spawnSync} = require('node:child_process');
const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');
const {serve, launch, watchedPage, drop, tearDown} = require('./browser');

const root = path.resolve(__dirname, '../..');
const folder = path.resolve(process.env.KIV_WEB_OUT || path.join(root, 'build/web'));
const flashes = path.resolve(process.env.KIV_FLASHES || path.join(root, 'build/bench/flashes/kiv-flashes'));
const render = path.resolve(process.env.KIV_RENDER || path.join(root, 'build/render/kiv-render'));
const picture = path.resolve(process.env.KIV_PICTURE || path.join(root, 'build/tools/kiv-picture'));
const size = {width: 320, height: 180};

let work, server, chromium;

before(async () => {
  // The page with the drums in place of its music.
  work = fs.mkdtempSync(path.join(os.tmpdir(), 'kiv-flash-'));
  for (const name of fs.readdirSync(folder))
    if (name !== 'show') fs.symlinkSync(path.join(folder, name), path.join(work, name));
  const show = path.join(work, 'show');
  fs.mkdirSync(show);
  for (const name of fs.readdirSync(path.join(folder, 'show')))
    if (name !== 'music.mp3') fs.symlinkSync(path.join(folder, 'show', name), path.join(show, name));
  fs.mkdirSync(path.join(work, 'stress'));
  execFileSync(flashes, ['--stress', path.join(work, 'stress')], {stdio: 'ignore'});
  fs.renameSync(path.join(work, 'stress', 'stress-drums-6-a-second.mp3'), path.join(show, 'music.mp3'));
  fs.writeFileSync(path.join(work, 'away.txt'), '0 -5 -5\n');  // as the page's pointer, which never comes
  execFileSync('convert', ['-size', '800x600', 'xc:white', path.join(work, 'white.png')]);
  server = await serve(work);
  chromium = await launch();
});
after(() => tearDown({chromium, server, work}));

// The desktop's show with white pictures as kiv-picture makes them for the page's screen shape `aspect`.
function whiteShow(aspect) {
  const white = path.join(work, 'white');
  fs.rmSync(white, {recursive: true, force: true});
  fs.mkdirSync(white);
  const show = path.join(work, 'show');
  for (const name of fs.readdirSync(show)) fs.symlinkSync(path.join(show, name), path.join(white, name));
  for (const name of ['img1.tif', 'img2.tif']) {
    fs.rmSync(path.join(white, name));
    execFileSync(picture, [path.join(work, 'white.png'), path.join(white, name), aspect], {stdio: 'ignore'});
  }
  return 'white';
}

// kiv-render's --flash-report line for the same frames.
function desktopReport(fps, folder = 'show') {
  const said = spawnSync(render, ['--size', `${size.width}x${size.height}`, '--fps', String(fps), '--from', '30',
                                  '--to', '40', '--pointer', path.join(work, 'away.txt'), '--quiet',
                                  '--flash-report', path.join(work, 'clip.mkv')],
                         {cwd: path.join(work, folder), encoding: 'utf8'});
  const line = /flashes: (.*)/.exec(said.stderr);
  assert.ok(line, said.stderr);
  return line[1];
}

for (const [fps, own] of [[60, false], [30, false], [60, true]]) {
  test(`drums six a second over the tunnel${own ? ' and white pictures' : ''} pass the flash meter at ${fps} fps`,
       async () => {
    const {page, seen} = await watchedPage(chromium.browser);
    await page.setViewport(size);
    await page.goto(`${server.url}?flash=30&at=${40 - 1 / fps}&fps=${fps}${own ? '&hold' : ''}`);
    let folder = 'show';
    if (own) {
      await page.waitForSelector('#play:not([disabled])', {timeout: 60000});
      folder = whiteShow(await page.evaluate(() => `${screen.width}:${screen.height}`));
      await drop(page, '.place[data-place="0"]', [path.join(work, 'white.png'), path.join(work, 'white.png')]);
      await page.click('#play');
    }
    await page.waitForFunction(() => window.kivFlashReport !== undefined, {timeout: 120000, polling: 200});
    const report = await page.evaluate(() => window.kivFlashReport);
    console.log(`# ${fps} fps: ${report}`);
    assert.match(report, /^general: \d+ transitions.*; pass$/);
    // A transition may come or go where a pixel or two differ; a frame brighter throughout would add many.
    const desktop = desktopReport(fps, folder);
    const transitions = line => Number(/^general: (\d+) transitions/.exec(line)[1]);
    assert.ok(Math.abs(transitions(report) - transitions(desktop)) <= 1, `the desktop's: ${desktop}`);
    assert.deepStrictEqual(seen.errors, []);
    await page.close();
  });
}
