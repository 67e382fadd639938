'use strict';
// What the frame tests share: kiv-render's frame at a show time as a one-frame lossless WebM, the page's still
// (window.kivStill) against such a video by PSNR, and generated music as a WAV file.
const {execFileSync} = require('node:child_process');
const fs = require('node:fs');

// kiv-render's frame at `at` s from the show in `show`, written to `out`, the pointer as `pointerFile` says.
function renderFrame(render, show, at, out, {width, height, fps, pointerFile}) {
  execFileSync(render, ['--size', `${width}x${height}`, '--fps', String(fps), '--from', String(at),
                        '--to', String(at + 1.2 / fps), '--quality', '0', '--pointer', pointerFile, '--quiet', out],
               {cwd: show, stdio: 'inherit'});
}

// Both frames drawn on 2D canvases in the page; the PSNR over their RGB, and each as PNG. `video` is the
// address of the WebM, relative to the page.
async function compareWithVideo(page, video, width, height) {
  return page.evaluate(async (video, width, height) => {
    const pixels = source => {
      const canvas = document.createElement('canvas');
      canvas.width = width;
      canvas.height = height;
      const context = canvas.getContext('2d');
      context.drawImage(source, 0, 0, width, height);
      return {data: context.getImageData(0, 0, width, height).data, png: canvas.toDataURL('image/png')};
    };
    const still = new Image();
    still.src = window.kivStill;
    await still.decode();
    const element = document.createElement('video');
    element.muted = true;
    element.src = video;
    await new Promise((resolve, reject) => {
      element.onloadeddata = resolve;
      element.onerror = () => reject(new Error(`${video} does not play`));
    });
    // On a busy machine Chromium may draw a loaded video's frame black for a while after it said it was there.
    let desktop = pixels(element);
    for (let tries = 0; tries < 50 && desktop.data.every((v, i) => i % 4 === 3 || v === 0); tries++) {
      await new Promise(resolve => setTimeout(resolve, 100));
      desktop = pixels(element);
    }
    const page = pixels(still);
    let sum = 0;
    for (let i = 0; i < page.data.length; i += 4)
      for (let c = 0; c < 3; c++) sum += (page.data[i + c] - desktop.data[i + c]) ** 2;
    const mse = sum / (width * height * 3);
    return {psnr: mse === 0 ? Infinity : 10 * Math.log10(255 * 255 / mse), page: page.png, desktop: desktop.png};
  }, video, width, height);
}

// A 16-bit stereo WAV at 44100 Hz of `seconds`, both channels `sample(t)` (-1 to 1).
function writeWav(file, seconds, sample, rate = 44100) {
  const frames = Math.round(seconds * rate);
  const data = Buffer.alloc(frames * 4);
  for (let i = 0; i < frames; i++) {
    const v = Math.round(Math.max(-1, Math.min(1, sample(i / rate))) * 32767);
    data.writeInt16LE(v, i * 4);
    data.writeInt16LE(v, i * 4 + 2);
  }
  const header = Buffer.alloc(44);
  header.write('RIFF', 0);
  header.writeUInt32LE(36 + data.length, 4);
  header.write('WAVEfmt ', 8);
  header.writeUInt32LE(16, 16);
  header.writeUInt16LE(1, 20);
  header.writeUInt16LE(2, 22);
  header.writeUInt32LE(rate, 24);
  header.writeUInt32LE(rate * 4, 28);
  header.writeUInt16LE(4, 32);
  header.writeUInt16LE(16, 34);
  header.write('data', 36);
  header.writeUInt32LE(data.length, 40);
  fs.writeFileSync(file, Buffer.concat([header, data]));
}

module.exports = {renderFrame, compareWithVideo, writeWav};
