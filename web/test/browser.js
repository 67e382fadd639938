'use strict';
// What the browser tests share: the page's folder served on a free port of 127.0.0.1 by the same server as
// `make web-serve`, and Debian's chromium, headless, with a profile of its own. Both go when the test ends.
const {spawn} = require('node:child_process');
const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');
const puppeteer = require('puppeteer-core');

async function serve(folder) {
  const server = spawn('python3', ['-u', '-m', 'http.server', '--bind', '127.0.0.1', '--directory', folder, '0'],
                       {stdio: ['ignore', 'pipe', 'pipe']});
  const port = await new Promise((resolve, reject) => {
    let said = '';
    server.stdout.on('data', data => {
      said += data;
      const found = /port (\d+)/.exec(said);
      if (found) resolve(Number(found[1]));
    });
    server.on('exit', code => reject(new Error(`the server ended (${code}) before it served`)));
  });
  return {url: `http://127.0.0.1:${port}/`, stop: () => server.kill()};
}

// `extra`: more command-line switches, e.g. a fake capture device.
async function launch(extra = []) {
  const profile = fs.mkdtempSync(path.join(os.tmpdir(), 'kiv-chromium-'));
  const browser = await puppeteer.launch({
    executablePath: '/usr/bin/chromium',
    headless: true,
    args: ['--headless', '--no-sandbox', '--use-angle=swiftshader', '--enable-unsafe-swiftshader',
           '--disable-background-networking', '--disable-component-update', '--disable-sync', '--no-first-run',
           `--user-data-dir=${profile}`, '--window-size=1024,768', ...extra],
    defaultViewport: {width: 1024, height: 768},
  });
  return {
    browser,
    close: async () => {
      await browser.close();
      fs.rmSync(profile, {recursive: true, force: true});
    },
  };
}

// A page that records its console errors, its failed requests and every address it asked for.
async function watchedPage(browser) {
  const page = await browser.newPage();
  const seen = {errors: [], failed: [], requested: []};
  page.on('console', message => {
    if (message.type() === 'error') seen.errors.push(message.text());
  });
  page.on('pageerror', error => seen.errors.push(String(error)));
  page.on('request', request => seen.requested.push(request.url()));
  page.on('requestfailed', request => seen.failed.push(`${request.url()}: ${request.failure().errorText}`));
  page.on('response', response => {
    if (response.status() >= 400) seen.failed.push(`${response.url()}: ${response.status()}`);
  });
  return {page, seen};
}

// Drops the files at `paths` on the page's element `selector` as a drag from the desktop would, and waits until
// the page has read them (window.kivFilesTaken counts the batches).
async function drop(page, selector, paths) {
  const files = paths.map(file => ({name: path.basename(file), bytes: fs.readFileSync(file).toString('base64')}));
  const before = await page.evaluate(() => window.kivFilesTaken || 0);
  await page.$eval(selector, (target, files) => {
    const transfer = new DataTransfer();
    for (const {name, bytes} of files)
      transfer.items.add(new File([Uint8Array.from(atob(bytes), c => c.charCodeAt(0))], name));
    target.dispatchEvent(new DragEvent('drop', {dataTransfer: transfer, bubbles: true, cancelable: true}));
  }, files);
  await page.waitForFunction(n => (window.kivFilesTaken || 0) > n, {timeout: 60000, polling: 100}, before);
}

// What a test file's before() made, gone in the reverse order: the browser, the server, the work folder.
async function tearDown({chromium, server, work}) {
  if (chromium) await chromium.close();
  if (server) server.stop();
  if (work) fs.rmSync(work, {recursive: true, force: true});
}

module.exports = {serve, launch, watchedPage, drop, tearDown};
