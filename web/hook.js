'use strict';
// The test hook: index.html?at=T&fps=N plays the show on a virtual clock, as kiv-render does, and stops with
// show time T's frame on the canvas. Frame n is one idle pass at n / N seconds, after the analyser has heard
// the show's sound up to there (the music from exactly its start time); the pointer stays away. When it is
// done, window.kivStill holds the frame as a PNG data URL and window.kivHookSeconds the time it took.
window.kivHook = (() => {
  const params = new URLSearchParams(location.search);
  if (!params.has('at')) return null;
  const at = Number(params.get('at'));
  const fps = Number(params.get('fps') || 60);
  if (!(at >= 0) || !(fps >= 1)) return null;

  function run(module) {
    const started = performance.now();
    const rate = kivSound.rate;
    const musicFrame = Math.round(module._kiv_music_start() * rate);
    const clock = n => ({ms: Math.floor(n * 1000 / fps), frame: Math.floor(n * rate / fps), musicFrame});
    const last = Math.round(at * fps);
    kivSound.setVirtual(clock(0));
    kivSound.skipToNow();
    module._kiv_start();
    for (let n = 0; n <= last; n++) {
      kivSound.setVirtual(clock(n));
      kivSound.feed(module);
      module._kiv_idle();
    }
    module._kiv_display();
    // Read in the same task as the drawing, before the browser may clear the drawing buffer.
    window.kivStill = module.canvas.toDataURL('image/png');
    window.kivHookSeconds = (performance.now() - started) / 1000;
  }

  return {run};
})();
