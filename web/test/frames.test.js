'use strict';
// Frame-exact against the desktop: the page on its virtual clock (web/hook.js) and kiv-render at the same show
// times and size must agree within a PSNR of 30 dB. kiv-render's frame comes as a one-frame lossless WebM
// that the browser itself decodes, so no other decoder is needed. KIV_WEB_SHOTS: a folder to keep both
// frames in as PNG (docs/web.md's strip).
const {test, before, after} = require('node:test');
const assert = require('node:assert');
const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');
const {serve, launch, watchedPage, tearDown} = require('./browser');
const {renderFrame, compareWithVideo} = require('./frames');

const root = path.resolve(__dirname, '../..');
const folder = path.resolve(process.env.KIV_WEB_OUT || path.join(root, 'build/web'));
const render = path.resolve(process.env.KIV_RENDER || path.join(root, 'build/render/kiv-render'));
const showFolder = path.join(folder, 'show');
const shots = process.env.KIV_WEB_SHOTS;
const fps = 60;
const [width, height] = [1024, 768];
const minimumPsnr = 30;

let work, server, chromium;

before(async () => {
  // The page's files and kiv-render's frames, served together.
  work = fs.mkdtempSync(path.join(os.tmpdir(), 'kiv-frames-'));
  for (const name of fs.readdirSync(folder)) fs.symlinkSync(path.join(folder, name), path.join(work, name));
  // The page's pointer stays away; kiv-render's is parked far outside the window.
  fs.writeFileSync(path.join(work, 'away.txt'), '0 -5 -5\n');
  server = await serve(work);
  chromium = await launch();
});
after(() => tearDown({chromium, server, work}));

function desktopFrame(at) {
  const name = `desktop-${at}.webm`;
  renderFrame(render, showFolder, at, path.join(work, name),
              {width, height, fps, pointerFile: path.join(work, 'away.txt')});
  return name;
}

for (const at of [20, 40, 62, 120]) {
  test(`the page's frame at ${at} s is the desktop's`, async () => {
    const video = desktopFrame(at);
    const {page, seen} = await watchedPage(chromium.browser);
    await page.setViewport({width, height});
    await page.goto(`${server.url}?at=${at}&fps=${fps}`);
    await page.waitForFunction(() => window.kivStill, {timeout: 120000, polling: 100});
    const result = await compareWithVideo(page, video, width, height);
    if (shots) {
      fs.mkdirSync(shots, {recursive: true});
      for (const side of ['page', 'desktop'])
        fs.writeFileSync(path.join(shots, `${side}-${at}.png`), Buffer.from(result[side].split(',')[1], 'base64'));
    }
    console.log(`# ${at} s: PSNR ${result.psnr.toFixed(1)} dB`);
    assert.ok(result.psnr >= minimumPsnr, `PSNR ${result.psnr.toFixed(1)} dB at ${at} s`);
    assert.deepStrictEqual(seen.errors, []);
    await page.close();
  });
}
