'use strict';
// Listening: with Chromium's fake capture device playing generated bursts, the level rises on the bursts and
// not between them, and a source that ends brings the start screen back with its line, as a refused
// permission does; the listening show starts over at its end (on the virtual clock) where the music show stops.
const {test, before, after} = require('node:test');
const assert = require('node:assert');
const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');
const {serve, launch, watchedPage} = require('./browser');
const {writeWav} = require('./frames');

const folder = path.resolve(process.env.KIV_WEB_OUT || path.join(__dirname, '../../build/web'));
const [burst, period] = [0.6, 3];  // seconds of sound, then silence to the next
let work, server;

before(async () => {
  work = fs.mkdtempSync(path.join(os.tmpdir(), 'kiv-listen-'));
  // A 150 Hz tone with noise, so that every band hears it; the device plays the file over and over.
  let seed = 1;
  const noise = () => ((seed = (seed * 1103515245 + 12345) % 2147483648) / 1073741824 - 1);
  writeWav(path.join(work, 'bursts.wav'), 2 * period,
           t => (t % period < burst ? 0.5 * Math.sin(2 * Math.PI * 150 * t) + 0.3 * noise() : 0));
  server = await serve(folder);
});
after(() => {
  if (server) server.stop();
  if (work) fs.rmSync(work, {recursive: true, force: true});
});

const fakeDevice = () => ['--use-fake-device-for-media-stream',
                          `--use-file-for-fake-audio-capture=${path.join(work, 'bursts.wav')}`];
const startShown = page => page.$eval('#start', e => !e.hidden);

async function withBrowser(extra, body) {
  const chromium = await launch(extra);
  try {
    const {page, seen} = await watchedPage(chromium.browser);
    await body(page, seen);
  } finally {
    await chromium.close();
  }
}

test('listening: the level rises on the bursts and not between them; a source that ends is said; a tab', () =>
  withBrowser([...fakeDevice(), '--use-fake-ui-for-media-stream'], async (page, seen) => {
    // The stream kept where the test can end it, as a device unplugged would.
    await page.evaluateOnNewDocument(() => {
      const ask = navigator.mediaDevices.getUserMedia.bind(navigator.mediaDevices);
      navigator.mediaDevices.getUserMedia = async constraints => (window.kivTestStream = await ask(constraints));
    });
    await page.goto(server.url);
    await page.waitForSelector('#listen:not([disabled])', {timeout: 60000});
    await page.click('#listen');
    await page.waitForFunction(() => document.getElementById('start').hidden, {timeout: 20000});
    // Frame by frame, what the analyser was handed and the level it made, until two bursts and two silences
    // of a second each have been seen.
    const frames = await page.evaluate(() => new Promise((resolve, reject) => {
      const frames = [];
      let bursts = 0, quiet = 0, loud = false, quietSince = null;
      const limit = setTimeout(() => reject(new Error(`bursts ${bursts}, silences ${quiet} in 40 s`)), 40000);
      const sample = now => {
        const peak = kivSound.heardPeak();
        frames.push({now, peak, level: Module._kiv_level(), time: Module._kiv_time()});
        if (peak > 0.2 && !loud) [loud, bursts] = [true, bursts + 1];
        if (peak < 0.01) {
          if (loud) [loud, quietSince] = [false, now];
          if (quietSince !== null && now - quietSince > 1000) [quiet, quietSince] = [quiet + 1, null];
        }
        if (bursts >= 3 && quiet >= 2) {
          clearTimeout(limit);
          resolve(frames);
        } else {
          requestAnimationFrame(sample);
        }
      };
      requestAnimationFrame(sample);
    }));
    // In a burst, and half a second or more after the last sound.
    const loud = [], quiet = [];
    let lastSound = -Infinity;
    for (const f of frames) {
      if (f.peak > 0.2) loud.push(f.level);
      if (f.peak > 0.01) lastSound = f.now;
      else if (f.now - lastSound > 500 && lastSound > -Infinity) quiet.push(f.level);
    }
    const mean = list => list.reduce((a, b) => a + b, 0) / list.length;
    console.log(`# ${frames.length} frames: level ${mean(loud).toFixed(3)} in bursts (${loud.length} frames), ` +
                `${mean(quiet).toFixed(3)} between (${quiet.length}), at most ${Math.max(...quiet).toFixed(3)}`);
    assert.ok(loud.length > 5 && quiet.length > 5, `${loud.length} loud and ${quiet.length} quiet frames`);
    assert.ok(mean(loud) > 4 * Math.max(...quiet),
              `level ${mean(loud)} in bursts, up to ${Math.max(...quiet)} between`);
    assert.ok(frames[frames.length - 1].time > frames[0].time, 'the show runs');
    assert.ok(!(await startShown(page)));
    await page.evaluate(() => window.kivTestStream.getAudioTracks()[0].dispatchEvent(new Event('ended')));
    await page.waitForFunction(() => !document.getElementById('start').hidden, {timeout: 5000});
    assert.deepStrictEqual(await page.$$eval('#problems li', lines => lines.map(l => l.textContent)),
                           ['The microphone or line-in has ended.']);
    const stopped = await page.evaluate(() => Module._kiv_time());
    await page.evaluate(() => new Promise(resolve => requestAnimationFrame(() => requestAnimationFrame(resolve))));
    assert.strictEqual(await page.evaluate(() => Module._kiv_time()), stopped, 'the show stands still');
    assert.strictEqual(await page.evaluate(() => window.kivTestStream.getAudioTracks()[0].readyState), 'ended',
                       'the microphone is let go');
    // And it listens again, to a shared screen's sound this time (the fake device's, with the fake screen).
    await page.click('#listen-tab');
    await page.waitForFunction(() => document.getElementById('start').hidden && Module._kiv_time() > 0.5,
                               {timeout: 20000, polling: 100});
    await page.waitForFunction(() => kivSound.heardPeak() > 0.2, {timeout: 20000, polling: 50});
    await page.keyboard.press('Escape');
    await page.waitForFunction(() => !document.getElementById('start').hidden, {timeout: 5000});
    assert.deepStrictEqual(seen.errors, []);
  }));

test('a refused microphone, asked for by a ?listen link\'s one button: one line and the start screen', () =>
  withBrowser([...fakeDevice(), '--deny-permission-prompts'], async page => {
    await page.goto(`${server.url}?listen`);
    await page.waitForSelector('#play:not([disabled])', {timeout: 60000});
    assert.strictEqual(await page.$eval('#play', b => b.textContent), 'Listen');
    await page.click('#play');
    await page.waitForSelector('#problems li', {timeout: 20000});
    const lines = await page.$$eval('#problems li', lines => lines.map(l => l.textContent));
    assert.strictEqual(lines.length, 1, lines.join('\n'));
    assert.match(lines[0], /microphone.*not allowed/);
    assert.ok(await startShown(page));
    assert.ok(!(await page.$eval('#play', b => b.disabled)), 'Play can be pressed');
    assert.strictEqual(await page.evaluate(() => Module._kiv_time()), 0, 'no show ran');
  }));

test('listening, the show starts over at its end; the music show stops there', () =>
  withBrowser([], async page => {
    for (const [query, over] of [['?at=160&fps=30&listen', true], ['?at=160&fps=30', false]]) {
      await page.goto(`${server.url}${query}`);
      await page.waitForFunction(() => window.kivStill, {timeout: 180000, polling: 200});
      const time = await page.evaluate(() => Module._kiv_time());
      if (over) {
        assert.ok(time > 7.5 && time < 8.5, `show time ${time} s at 160 s of listening`);
        assert.ok(!(await startShown(page)), 'the start screen came back');
      } else {
        assert.ok(time > 151 && time <= 152.1, `show time ${time} s at 160 s of the music show`);
        assert.ok(await startShown(page), 'the music show did not end');
      }
    }
  }));
