'use strict';
// The user's own files: a PNG dropped on a place, a JPEG lying on its side with an EXIF turn and a WAV picked
// with the button replace two pictures and the music, and the page's frames then match kiv-render's on the
// same files prepared by kiv-picture; a broken file gets its line and its place keeps its picture; Defaults
// puts everything back. KIV_WEB_SHOTS: a folder to keep the start screen with the files and the page's frames
// in (docs/web.md).
const {test, before, after} = require('node:test');
const assert = require('node:assert');
const {execFileSync} = require('node:child_process');
const crypto = require('node:crypto');
const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');
const {serve, launch, watchedPage, drop: dropFiles, tearDown} = require('./browser');
const {renderFrame, compareWithVideo, writeWav} = require('./frames');

const root = path.resolve(__dirname, '../..');
const folder = path.resolve(process.env.KIV_WEB_OUT || path.join(root, 'build/web'));
const render = path.resolve(process.env.KIV_RENDER || path.join(root, 'build/render/kiv-render'));
const picture = path.resolve(process.env.KIV_PICTURE || path.join(root, 'build/tools/kiv-picture'));
const fps = 60;
const [width, height] = [1024, 768];
const minimumPsnr = 30;
const shots = process.env.KIV_WEB_SHOTS;

let work, mine, server, chromium;

before(async () => {
  work = fs.mkdtempSync(path.join(os.tmpdir(), 'kiv-files-'));
  for (const name of fs.readdirSync(folder)) fs.symlinkSync(path.join(folder, name), path.join(work, name));
  mine = path.join(work, 'mine');
  fs.mkdirSync(mine);
  const make = (...args) => execFileSync('convert', args, {cwd: mine});
  make('-size', '800x600', 'gradient:orange-navy', '-fill', 'white', '-draw', 'circle 250,200 250,330',
       '-fill', 'black', '-draw', 'rectangle 500,350 760,560', 'photo.png');
  make('-size', '640x480', 'gradient:yellow-green', '-fill', 'blue', '-draw', 'rectangle 100,100 300,380',
       '-alpha', 'on', '-type', 'TrueColorAlpha', '-compress', 'lzw', 'scan.tif');
  make('photo.png', '-quality', '90', 'photo.webp');
  // Upright it is a tall picture, red band at its top; stored lying on its side, with orientation 6 (turn a
  // quarter clockwise to show) in an APP1 segment of its own, as cameras write it.
  make('-size', '600x900', 'gradient:white-teal', '-fill', 'red', '-draw', 'rectangle 0,0 600,200',
       '-fill', 'purple', '-draw', 'circle 300,600 300,700', '-rotate', '-90', '-quality', '92', 'lying.jpg');
  const exif = Buffer.from('ffd8ffe10022457869660000' + '4d4d002a00000008' + '0001' + '011200030000000100060000' +
                           '00000000', 'hex');
  fs.writeFileSync(path.join(mine, 'turned.jpg'),
                   Buffer.concat([exif, fs.readFileSync(path.join(mine, 'lying.jpg')).subarray(2)]));
  // Drums twice a second over a chord, in bars of four whose last beat is a burst of noise over every band.
  let seed = 7;
  const noise = () => ((seed = (seed * 1103515245 + 12345) % 2147483648) / 1073741824 - 1);
  writeWav(path.join(mine, 'tune.wav'), 60, t => {
    const since = t % 0.5, hit = Math.exp(-since * 12);
    const chord = [220, 277, 330].reduce((sum, f) => sum + Math.sin(2 * Math.PI * f * t), 0) / 3;
    const drum = Math.floor(t / 0.5) % 4 === 3 ? noise() : Math.sin(2 * Math.PI * (50 + 80 * hit) * since);
    return 0.25 * chord + 0.6 * hit * drum;
  });
  fs.writeFileSync(path.join(mine, 'broken.png'), Buffer.concat([Buffer.from('89504e470d0a1a0a', 'hex'),
                                                                 Buffer.alloc(200, 7)]));
  fs.writeFileSync(path.join(work, 'away.txt'), '0 -5 -5\n');
  server = await serve(work);
  chromium = await launch();
});
after(() => tearDown({chromium, server, work}));

const drop = (page, selector, names) => dropFiles(page, selector, names.map(name => path.join(mine, name)));

async function pick(page, names) {
  const before = await page.evaluate(() => window.kivFilesTaken || 0);
  const input = await page.$('#picker');
  await input.uploadFile(...names.map(name => path.join(mine, name)));
  await page.waitForFunction(n => (window.kivFilesTaken || 0) > n, {timeout: 60000, polling: 100}, before);
}

const placeNames = page => page.$$eval('.place .name', names => names.map(n => n.textContent));
const problems = page => page.$$eval('#problems li', lines => lines.map(l => l.textContent));
// The SHA-256 of the picture file `name` where the show reads it.
const shown = (page, name) => page.evaluate(async name => {
  const digest = await crypto.subtle.digest('SHA-256', Module.FS.readFile(name));
  return Array.from(new Uint8Array(digest), b => b.toString(16).padStart(2, '0')).join('');
}, name);

async function startScreen(query) {
  const {page, seen} = await watchedPage(chromium.browser);
  await page.setViewport({width, height});
  await page.goto(`${server.url}${query}`);
  await page.waitForSelector('#play:not([disabled])', {timeout: 60000});
  return {page, seen};
}

// The desktop's show folder for the same files: kiv-picture's pictures for the page's screen shape.
function desktopShow(aspect) {
  const show = path.join(work, 'desktop-show');
  fs.rmSync(show, {recursive: true, force: true});
  fs.mkdirSync(show);
  for (const name of ['img4.tif', 'img5.tif']) fs.copyFileSync(path.join(folder, 'show', name), path.join(show, name));
  execFileSync(picture, [path.join(mine, 'photo.png'), path.join(show, 'img1.tif'), aspect]);
  execFileSync(picture, [path.join(mine, 'turned.jpg'), path.join(show, 'img2.tif'), aspect]);
  fs.copyFileSync(path.join(mine, 'tune.wav'), path.join(show, 'music.mp3'));
  return show;
}

for (const at of [40, 62]) {
  test(`own pictures and music, dropped and picked: the page's frame at ${at} s is the desktop's`, async () => {
    const {page, seen} = await startScreen(`?at=${at}&fps=${fps}&hold`);
    await drop(page, '.place[data-place="0"]', ['photo.png']);
    await pick(page, ['turned.jpg', 'tune.wav']);
    assert.deepStrictEqual(await problems(page), []);
    assert.deepStrictEqual(await placeNames(page),
                           ['photo.png', 'turned.jpg', 'the show\'s own', 'the show\'s own', 'tune.wav']);
    const aspect = await page.evaluate(() => `${screen.width}:${screen.height}`);
    if (shots) {
      fs.mkdirSync(shots, {recursive: true});
      await page.screenshot({path: path.join(shots, 'own-start.png')});
    }
    await page.click('#play');
    await page.waitForFunction(() => window.kivStill, {timeout: 180000, polling: 200});

    const options = {width, height, fps, pointerFile: path.join(work, 'away.txt')};
    renderFrame(render, desktopShow(aspect), at, path.join(work, `own-${at}.webm`), options);
    renderFrame(render, path.join(folder, 'show'), at, path.join(work, `default-${at}.webm`), options);
    const result = await compareWithVideo(page, `own-${at}.webm`, width, height);
    console.log(`# own files at ${at} s: PSNR ${result.psnr.toFixed(1)} dB`);
    if (shots) fs.writeFileSync(path.join(shots, `own-${at}.png`), Buffer.from(result.page.split(',')[1], 'base64'));
    assert.ok(result.psnr >= minimumPsnr, `PSNR ${result.psnr.toFixed(1)} dB at ${at} s`);
    // The page's own pictures would not pass: the frame shows the user's.
    const defaults = await compareWithVideo(page, `default-${at}.webm`, width, height);
    assert.ok(defaults.psnr < minimumPsnr, `the default show's frame is as near: ${defaults.psnr.toFixed(1)} dB`);
    assert.deepStrictEqual(seen.errors, []);
    await page.close();
  });
}

test('a broken file gets its line and its place keeps its picture; Defaults puts everything back', async () => {
  const {page, seen} = await startScreen('');
  const first = await shown(page, 'img2.tif');
  await drop(page, '.place[data-place="1"]', ['broken.png']);
  const lines = await problems(page);
  assert.strictEqual(lines.length, 1, lines.join('\n'));
  assert.match(lines[0], /^broken\.png: .*PNG/);
  assert.strictEqual((await placeNames(page))[1], 'the show\'s own');
  assert.strictEqual(await shown(page, 'img2.tif'), first, 'img2.tif changed');
  // A TIFF cut short: libtiff's own words say why.
  fs.writeFileSync(path.join(mine, 'cut.tif'), fs.readFileSync(path.join(mine, 'scan.tif')).subarray(0, 400));
  await drop(page, '.place[data-place="1"]', ['cut.tif']);
  assert.deepStrictEqual((await problems(page)).map(line => line.split(':')[0]), ['cut.tif']);
  assert.match((await problems(page))[0], /libtiff/);
  assert.strictEqual(await shown(page, 'img2.tif'), first, 'img2.tif changed');

  // A file that is no picture nor music, among good ones: only it is named, the others are taken, the TIFF
  // through libtiff.
  fs.writeFileSync(path.join(mine, 'notes.txt'), 'not a picture\n');
  await drop(page, '#start', ['photo.png', 'notes.txt', 'scan.tif', 'photo.webp']);
  assert.deepStrictEqual((await problems(page)).map(line => line.split(':')[0]), ['notes.txt']);
  assert.deepStrictEqual((await placeNames(page)).slice(0, 3), ['photo.png', 'scan.tif', 'photo.webp']);
  assert.notStrictEqual(await shown(page, 'img2.tif'), first, 'img2.tif is not the TIFF');
  assert.ok(!(await page.$eval('#defaults', b => b.disabled)));

  const original = await shown(page, 'img1.tif');
  await page.click('#defaults');
  assert.deepStrictEqual(await placeNames(page),
                         ['the show\'s own', 'the show\'s own', 'the show\'s own', 'the show\'s own',
                          'the show\'s own music']);
  const restored = await shown(page, 'img1.tif');
  assert.notStrictEqual(restored, original);
  const served = crypto.createHash('sha256').update(fs.readFileSync(path.join(folder, 'show', 'img1.tif')))
    .digest('hex');
  assert.strictEqual(restored, served);
  assert.deepStrictEqual(seen.errors, []);
  await page.close();
});
