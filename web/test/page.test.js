'use strict';
// The page in a real browser: it loads clean, the click starts the show and its sound, Escape brings the
// start screen back, and a browser without WebGL or WebAssembly is told so. KIV_WEB_OUT: the built page.
const {test, before, after} = require('node:test');
const assert = require('node:assert');
const path = require('node:path');
const {serve, launch, watchedPage} = require('./browser');

const folder = path.resolve(process.env.KIV_WEB_OUT || 'build/web');
let server, chromium;

before(async () => {
  server = await serve(folder);
  chromium = await launch();
});
after(async () => {
  if (chromium) await chromium.close();
  if (server) server.stop();
});

const showTime = page => page.evaluate(() => Module._kiv_time());
const startShown = page => page.$eval('#start', e => !e.hidden);

// The mean of R, G and B over a screenshot, 0 to 255, decoded by the page itself.
async function brightness(page) {
  const png = await page.screenshot({encoding: 'base64', type: 'png'});
  return page.evaluate(async png => {
    const image = new Image();
    image.src = 'data:image/png;base64,' + png;
    await image.decode();
    const canvas = document.createElement('canvas');
    [canvas.width, canvas.height] = [image.width, image.height];
    const context = canvas.getContext('2d');
    context.drawImage(image, 0, 0);
    const data = context.getImageData(0, 0, image.width, image.height).data;
    let sum = 0;
    for (let i = 0; i < data.length; i += 4) sum += data[i] + data[i + 1] + data[i + 2];
    return sum / (data.length / 4 * 3);
  }, png);
}

test('the show plays from a click, is heard, and Escape ends it', async () => {
  const {page, seen} = await watchedPage(chromium.browser);
  await page.goto(server.url, {waitUntil: 'load'});
  await page.waitForSelector('#play:not([disabled])', {timeout: 20000});
  await page.click('#play');
  await page.waitForFunction(() => document.getElementById('start').hidden, {timeout: 5000});
  await page.waitForFunction(() => window.kivFirstFrameMs !== undefined, {timeout: 5000});
  const firstFrame = await page.evaluate(() => window.kivFirstFrameMs);
  assert.ok(firstFrame < 2000, `first frame ${firstFrame} ms after the click`);

  // Before the music the grid lights only where the pointer goes.
  const dark = await brightness(page);
  for (let i = 0; i <= 40; i++) await page.mouse.move(200 + i * 15, 300 + i * 4);
  await new Promise(resolve => setTimeout(resolve, 200));
  const lit = await brightness(page);
  assert.ok(lit > dark + 1, `mean brightness ${dark} before the pointer moved, ${lit} after`);

  // The music comes in at 12 s of show time.
  await page.waitForFunction(() => Module._kiv_time() > 13, {timeout: 30000, polling: 200});
  const level = await page.evaluate(() => kivSound.level());
  assert.ok(level > 0.01, `the audio graph's output peaks at ${level}`);

  // The canvas follows the window and the device pixel ratio.
  await page.setViewport({width: 640, height: 400, deviceScaleFactor: 2});
  await page.waitForFunction(() => Module.canvas.width === 1280 && Module.canvas.height === 800, {timeout: 5000});
  await page.setViewport({width: 1024, height: 768});

  // No frames for a while, as in a hidden tab: the show comes back where the music is.
  const stalledAt = await showTime(page);
  await page.evaluate(() => {
    const end = performance.now() + 1500;
    while (performance.now() < end);
  });
  await page.evaluate(() => new Promise(resolve => requestAnimationFrame(() => requestAnimationFrame(resolve))));
  const resumedAt = await showTime(page);
  assert.ok(resumedAt >= stalledAt + 1.5, `${stalledAt} s before the stall, ${resumedAt} s two frames after it`);

  await page.keyboard.press('Escape');
  await page.waitForFunction(() => !document.getElementById('start').hidden, {timeout: 5000});
  assert.strictEqual(await page.$eval('#play', e => e.textContent), 'Play again');
  const stoppedAt = await showTime(page);
  await new Promise(resolve => setTimeout(resolve, 300));
  assert.strictEqual(await showTime(page), stoppedAt, 'the show stands still behind the start screen');
  assert.ok(await startShown(page));

  assert.deepStrictEqual(seen.errors, [], 'console errors');
  assert.deepStrictEqual(seen.failed, [], 'failed requests');
  const elsewhere = seen.requested.filter(url => !url.startsWith(server.url) && !url.startsWith('data:'));
  assert.deepStrictEqual(elsewhere, [], 'requests that left the origin');
  await page.close();
});

test('a rehearsal from 100 s starts there, the music with it', async () => {
  const {page, seen} = await watchedPage(chromium.browser);
  await page.goto(`${server.url}?from=100`, {waitUntil: 'load'});
  await page.waitForSelector('#play:not([disabled])', {timeout: 20000});
  await page.click('#play');
  await page.waitForFunction(() => window.kivFirstFrameMs !== undefined, {timeout: 60000});
  const [time, took] = await page.evaluate(() => [Module._kiv_time(), window.kivFirstFrameMs]);
  console.log(`# the show at ${time.toFixed(2)} s ${took.toFixed(0)} ms after the click`);
  assert.ok(time >= 100 && time < 100 + took / 1000 + 1, `first frame at ${time} s, ${took} ms after the click`);
  // The music goes on from 88 s into it, at once: the graph's output is not silent.
  await page.waitForFunction(() => kivSound.level() > 0.01, {timeout: 5000, polling: 50});
  await page.keyboard.press('Escape');
  await page.waitForFunction(() => !document.getElementById('start').hidden, {timeout: 5000});
  assert.deepStrictEqual(seen.errors, []);
  await page.close();
});

for (const [missing, hide] of [
  ['WebGL', () => {
    const real = HTMLCanvasElement.prototype.getContext;
    HTMLCanvasElement.prototype.getContext = function (kind, ...rest) {
      return /webgl/.test(kind) ? null : real.call(this, kind, ...rest);
    };
  }],
  ['WebAssembly', () => { delete window.WebAssembly; }],
]) {
  test(`a browser without ${missing} gets a plain message`, async () => {
    const {page, seen} = await watchedPage(chromium.browser);
    await page.evaluateOnNewDocument(hide);
    await page.goto(server.url, {waitUntil: 'load'});
    assert.match(await page.$eval('#note', e => e.textContent), new RegExp(`no ${missing}`));
    assert.ok(await page.$eval('#play', e => e.hidden), 'no button to press');
    assert.deepStrictEqual(seen.errors, []);
    await page.close();
  });
}
