'use strict';
// The Web Audio side of web/fsound.cpp. The browser decodes the music (decodeAudioData) and plays it; the
// output stream, silence and music as the audio clock has played it, goes to the show's analyser frame by
// frame, as SDL's mixer hands its output to it on the desktop. A virtual clock stands in for the audio clock
// when the test hook asks (web/page.js), and up to a rehearsal's start. When listening, the analyser hears
// what a captured source gives (web/capture.js) instead, as it comes.
window.kivSound = (() => {
  const rate = 44100;          // the show's mixing rate: the analyser's bins sit where the show expects them
  const chunk = 4096;          // frames handed over per call
  const decoded = new Map();   // name -> AudioBuffer, decoded before the show opens it
  const handles = [null];      // handle -> AudioBuffer; 0 is no music
  let ctx = null;
  let meter = null;            // the graph's output, measured by level()
  let source = null;
  let music = null;            // what plays, and the output frame of its first sample
  let musicFrame = 0;
  let fed = 0;                 // output frames the analyser has heard
  let virtual = null;          // the test hook's clock ({ms, frame, musicFrame}), or null for the audio clock
  let scratch = 0;             // chunk stereo frames in the wasm heap
  let offset = 0;              // audio clock seconds before the show's clock: a rehearsal's skipped part
  let capture = null;          // when listening: {stream, source, node, blocks}
  let worklet = null;          // the capture processor's module, loaded once
  let heard = 0;               // the loudest sample handed to the analyser since heardPeak() last asked

  // Decodes at the show's rate before any click: an offline context needs no gesture.
  async function decode(name, bytes) {
    const buffer = await new OfflineAudioContext(2, 1, rate).decodeAudioData(bytes);
    decoded.set(name, buffer);
    return buffer;
  }

  // The music the show opens as `name` from now on.
  function set(name, buffer) {
    decoded.set(name, buffer);
  }

  // The audio graph, made or resumed by the click that starts the show.
  async function resume() {
    if (!ctx) {
      ctx = new AudioContext({sampleRate: rate});
      meter = ctx.createAnalyser();
      meter.fftSize = 2048;
      meter.connect(ctx.destination);
    }
    await ctx.resume();
  }

  function nowFrame() {
    if (virtual) return virtual.frame;
    return ctx ? Math.round((ctx.currentTime - offset) * rate) : 0;
  }

  function ticks() {
    if (virtual) return virtual.ms >>> 0;
    return ctx ? Math.floor((ctx.currentTime - offset) * 1000) >>> 0 : 0;
  }

  function open(name) {
    if (!decoded.has(name)) return 0;
    handles.push(decoded.get(name));
    return handles.length - 1;
  }

  function play(handle) {
    stop();
    music = handles[handle];
    // On the virtual clock the music is laid down in advance, as kiv-render lays it down.
    musicFrame = virtual ? virtual.musicFrame : nowFrame();
    if (virtual || !music) return;
    source = ctx.createBufferSource();
    source.buffer = music;
    source.connect(meter);
    source.start(musicFrame / rate + offset);
  }

  function stop() {
    if (source) {
      source.stop();
      source.disconnect();
    }
    source = null;
    music = null;
  }

  function close(handle) {
    if (handles[handle] === music) stop();
    handles[handle] = null;
  }

  // From the virtual clock's now on the audio clock, the music going on where it is: a rehearsal's start.
  function goLive() {
    if (!virtual) return;
    offset = ctx.currentTime - virtual.frame / rate;
    const late = virtual.frame - musicFrame;
    virtual = null;
    if (!music) return;
    source = ctx.createBufferSource();
    source.buffer = music;
    source.connect(meter);
    source.start(Math.max(ctx.currentTime, ctx.currentTime - late / rate), Math.max(0, late / rate));
  }

  // Hands the analyser every output frame up to the clock's now, or when listening every captured block. A
  // hidden tab's frames come all at once on its return, so the spectrum there is the one the desktop would
  // have.
  function feed(module) {
    if (!scratch) scratch = module._malloc(chunk * 2 * 4);
    if (capture) {
      for (const block of capture.blocks.splice(0)) hand(module, block, block.length / 2);
      return;
    }
    const to = nowFrame();
    while (fed < to) {
      const frames = Math.min(chunk, to - fed);
      const out = module.HEAPF32.subarray(scratch >> 2, (scratch >> 2) + frames * 2);
      out.fill(0);
      if (music) {
        const left = music.getChannelData(0);
        const right = music.getChannelData(music.numberOfChannels > 1 ? 1 : 0);
        const from = fed - musicFrame;
        for (let i = Math.max(0, -from); i < frames && from + i < music.length; i++) {
          out[2 * i] = left[from + i];
          out[2 * i + 1] = right[from + i];
        }
      }
      hand(module, out, frames);
      fed += frames;
    }
  }

  // To the analyser through the heap, a chunk at a time, the loudest sample noted.
  function hand(module, samples, frames) {
    for (let i = 0; i < frames * 2; i += 2) heard = Math.max(heard, Math.abs(samples[i]), Math.abs(samples[i + 1]));
    for (let at = 0; at < frames; at += chunk) {
      const n = Math.min(chunk, frames - at);
      const out = module.HEAPF32.subarray(scratch >> 2, (scratch >> 2) + n * 2);
      if (samples.buffer !== out.buffer) out.set(samples.subarray(at * 2, (at + n) * 2));
      module._kiv_sound_hear(scratch, n, 2);
    }
  }

  // The loudest sample the analyser was handed since the last call, for the tests.
  function heardPeak() {
    const peak = heard;
    heard = 0;
    return peak;
  }

  // Listening to `stream` (a microphone, a line-in, a shared tab or screen) until unlisten(); `ended` is
  // called once when the source goes away on its own.
  async function listen(stream, ended) {
    unlisten();
    if (!stream.getAudioTracks().length) throw new Error('it gives no sound');
    if (!worklet) worklet = ctx.audioWorklet.addModule('capture.js');
    await worklet;
    const source = ctx.createMediaStreamSource(stream);
    const node = new AudioWorkletNode(ctx, 'kiv-capture');
    const blocks = [];
    node.port.onmessage = event => blocks.push(event.data);
    source.connect(node);
    node.connect(ctx.destination);  // pulled by the graph; it writes no sound
    capture = {stream, source, node, blocks};
    for (const track of stream.getAudioTracks()) {
      track.addEventListener('ended', () => {
        if (capture && capture.stream === stream) ended();
      }, {once: true});
    }
  }

  function unlisten() {
    if (!capture) return;
    capture.source.disconnect();
    capture.node.disconnect();
    capture.node.port.onmessage = null;
    for (const track of capture.stream.getTracks()) track.stop();
    capture = null;
  }

  // From here on the analyser hears what plays from now: each run starts with a clean stream.
  function skipToNow() {
    offset = 0;
    fed = nowFrame();
    if (capture) capture.blocks.length = 0;
  }

  // The loudest sample the graph's output had in its last 2048 frames, 0 for silence.
  function level() {
    if (!meter) return 0;
    const samples = new Float32Array(meter.fftSize);
    meter.getFloatTimeDomainData(samples);
    return samples.reduce((peak, s) => Math.max(peak, Math.abs(s)), 0);
  }

  function setVirtual(clock) {
    virtual = clock;
  }

  return {rate, decode, set, resume, ticks, open, play, stop, close, feed, skipToNow, goLive, level, setVirtual,
          listen, unlisten, heardPeak};
})();
