'use strict';
// The test hook: index.html?at=T&fps=N plays the show on a virtual clock, as kiv-render does, and stops with
// show time T's frame on the canvas. Frame n is one idle pass at n / N seconds, after the analyser has heard
// the show's sound up to there (the music from exactly its start time); the pointer stays away. When it is
// done, window.kivStill holds the frame as a PNG data URL and window.kivHookSeconds the time it took.
// With &flash=F every frame from show time F on is drawn too and measured for flashing as kiv-render's
// --flash-report measures it: window.kivFlashReport is then its line, verdict last.
// With &run=S the show then goes on from T on the same clock, one frame per animation frame of the browser,
// drawn and shown, for S seconds of wall time: window.kivFps is the rate it kept (docs/web.md).
// With &hold the start screen comes first, for files to be dropped, and the hook runs on the click (as the
// show listening when the click listens). With &listen it runs the show listening from the start; on the
// virtual clock it hears what is captured by then, or silence, and starts over at its end.
window.kivHook = (() => {
  const params = new URLSearchParams(location.search);
  if (!params.has('at')) return null;
  const at = Number(params.get('at'));
  const fps = Number(params.get('fps') || 60);
  const runFor = Number(params.get('run') || 0);
  const flashFrom = params.has('flash') ? Math.round(Number(params.get('flash')) * fps) : -1;
  const warmUp = 15;  // frames before the measured ones, as kiv-scenes draws them
  if (!(at >= 0) || !(fps >= 1)) return null;

  function run(module, listen = params.has('listen')) {
    const started = performance.now();
    const rate = kivSound.rate;
    const musicFrame = Math.round(module._kiv_music_start() * rate);
    const clock = n => ({ms: Math.floor(n * 1000 / fps), frame: Math.floor(n * rate / fps), musicFrame});
    const last = Math.round(at * fps);
    kivSound.setVirtual(clock(0));
    kivSound.skipToNow();
    module._kiv_start(listen ? 1 : 0);
    const measured = n => flashFrom >= 0 && n >= flashFrom;
    if (flashFrom >= 0)
      module._kiv_flash_begin(module.canvas.width, module.canvas.height, fps, flashFrom / fps, last - flashFrom + 1);
    for (let n = 0; n <= last; n++) {
      kivSound.setVirtual(clock(n));
      kivSound.feed(module);
      module._kiv_idle();
      if (measured(n) || n === last) module._kiv_display();
      if (measured(n)) module._kiv_flash_frame();
    }
    if (flashFrom >= 0) window.kivFlashReport = module.UTF8ToString(module._kiv_flash_report());
    // Read in the same task as the drawing, before the browser may clear the drawing buffer.
    window.kivStill = module.canvas.toDataURL('image/png');
    window.kivHookSeconds = (performance.now() - started) / 1000;
    if (runFor > 0) measure(module, clock, last);
  }

  function measure(module, clock, from) {
    let n = from, measuredFrom = 0;
    const frame = now => {
      n++;
      kivSound.setVirtual(clock(n));
      kivSound.feed(module);
      module._kiv_frame();
      if (n === from + warmUp) measuredFrom = now;
      if (!measuredFrom || now - measuredFrom < runFor * 1000) requestAnimationFrame(frame);
      else window.kivFps = (n - from - warmUp) * 1000 / (now - measuredFrom);
    };
    requestAnimationFrame(frame);
  }

  return {run, held: params.has('hold')};
})();
