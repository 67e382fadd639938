'use strict';
// The audio thread's side of listening (web/sound.js): every block the source gives, copied to the page as
// it comes, interleaved stereo.
class KivCapture extends AudioWorkletProcessor {
  process(inputs) {
    const input = inputs[0];
    if (input && input.length) {
      const left = input[0], right = input[input.length > 1 ? 1 : 0];
      const block = new Float32Array(left.length * 2);
      for (let i = 0; i < left.length; i++) {
        block[2 * i] = left[i];
        block[2 * i + 1] = right[i];
      }
      this.port.postMessage(block, [block.buffer]);
    }
    return true;
  }
}
registerProcessor('kiv-capture', KivCapture);
