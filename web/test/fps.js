'use strict';
// Frames per second of the page at each scene of kiv-scenes, at 1024x768 in headless chromium: the show on
// the test hook's virtual clock up to the scene, then drawn and shown once per animation frame for a few
// seconds (web/hook.js). Prints one table row a scene and the page's first frame after the click.
// Usage: node fps.js [SECONDS...]; KIV_WEB_OUT: the built page.
const path = require('node:path');
const {serve, launch, watchedPage} = require('./browser');

const folder = path.resolve(process.env.KIV_WEB_OUT || path.join(__dirname, '../../build/web'));
const scenes = process.argv.length > 2 ? process.argv.slice(2).map(Number) : [5, 20, 45, 60, 90, 120, 148];
const seconds = 3;

(async () => {
  const server = await serve(folder);
  const chromium = await launch();
  try {
    const {page} = await watchedPage(chromium.browser);
    await page.goto(server.url);
    await page.waitForSelector('#play:not([disabled])', {timeout: 20000});
    await page.click('#play');
    await page.waitForFunction(() => window.kivFirstFrameMs !== undefined, {timeout: 10000});
    console.log(`first frame ${(await page.evaluate(() => window.kivFirstFrameMs)).toFixed(0)} ms after the click`);
    console.log('| show s | page fps |\n|-------:|---------:|');
    for (const at of scenes) {
      await page.goto(`${server.url}?at=${at}&fps=60&run=${seconds}`);
      await page.waitForFunction(() => window.kivFps !== undefined, {timeout: 120000, polling: 200});
      console.log(`| ${String(at).padStart(6)} | ${(await page.evaluate(() => window.kivFps)).toFixed(1).padStart(8)} |`);
    }
  } finally {
    await chromium.close();
    server.stop();
  }
})().catch(error => {
  console.error(error);
  process.exitCode = 1;
});
