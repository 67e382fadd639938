'use strict';
// The Web Audio side of web/fsound.cpp. The browser decodes the music (decodeAudioData) and plays it; the
// output stream, silence and music as the audio clock has played it, goes to the show's analyser frame by
// frame, as SDL's mixer hands its output to it on the desktop. A virtual clock stands in for the audio clock
// when the test hook asks (web/page.js).
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

  // Decodes at the show's rate before any click: an offline context needs no gesture.
  async function decode(name, bytes) {
    decoded.set(name, await new OfflineAudioContext(2, 1, rate).decodeAudioData(bytes));
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
    return ctx ? Math.round(ctx.currentTime * rate) : 0;
  }

  function ticks() {
    if (virtual) return virtual.ms >>> 0;
    return ctx ? Math.floor(ctx.currentTime * 1000) >>> 0 : 0;
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
    source.start(musicFrame / rate);
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

  // Hands the analyser every output frame up to the clock's now. A hidden tab's frames come all at once on
  // its return, so the spectrum there is the one the desktop would have.
  function feed(module) {
    if (!scratch) scratch = module._malloc(chunk * 2 * 4);
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
      module._kiv_sound_hear(scratch, frames, 2);
      fed += frames;
    }
  }

  // From here on the analyser hears what plays from now: each run starts with a clean stream.
  function skipToNow() {
    fed = nowFrame();
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

  return {rate, decode, resume, ticks, open, play, stop, close, feed, skipToNow, level, setVirtual};
})();
