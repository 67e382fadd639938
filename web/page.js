'use strict';
// The page around the show: its start screen, its files, full screen, the input and the frame loop.
(() => {
  const pictures = ['img1.tif', 'img2.tif', 'img4.tif', 'img5.tif'];
  const musicFile = 'music.mp3';
  const el = id => document.getElementById(id);
  const canvas = el('show'), screen = el('start'), button = el('play'), note = el('note');
  let running = false;
  let clickedAt = 0;  // for window.kivFirstFrameMs: from the click to the show's first frame

  function refuse(text) {
    note.textContent = text;
    button.hidden = true;
  }

  function hasWebGL() {
    try {
      return !!document.createElement('canvas').getContext('webgl');
    } catch (e) {
      return false;
    }
  }
  if (typeof WebAssembly !== 'object') {
    refuse('This browser has no WebAssembly (or it is switched off), which the show needs.');
    return;
  }
  if (!hasWebGL()) {
    refuse('This browser has no WebGL (or it is switched off), which the show needs to draw.');
    return;
  }

  const module = window.Module = {
    canvas,
    kivSound,
    kivShowEnded: ended,
    print: line => console.log(line),
    // emscripten's runtime says its own warnings (the GL emulation's) on stderr too.
    printErr: line => (line.startsWith('WARNING: ') ? console.warn : console.error)(line),
  };
  const runtime = new Promise((resolve, reject) => {
    module.onRuntimeInitialized = resolve;
    const script = document.createElement('script');
    script.src = 'kiv.js';
    script.onerror = () => reject(new Error('kiv.js did not load'));
    document.body.appendChild(script);
  });

  async function fetchBytes(name) {
    const response = await fetch('show/' + name);
    if (!response.ok) throw new Error(`show/${name}: ${response.status} ${response.statusText}`);
    return response.arrayBuffer();
  }

  // The canvas in device pixels, so that the show is as sharp as the screen.
  function fit() {
    const ratio = window.devicePixelRatio || 1;
    const width = Math.max(1, Math.round(canvas.clientWidth * ratio));
    const height = Math.max(1, Math.round(canvas.clientHeight * ratio));
    if (canvas.width === width && canvas.height === height) return false;
    canvas.width = width;
    canvas.height = height;
    return true;
  }

  const ready = (async () => {
    const [images, music] = await Promise.all([Promise.all(pictures.map(fetchBytes)), fetchBytes(musicFile)]);
    await kivSound.decode(musicFile, music);
    await runtime;
    pictures.forEach((name, i) => module.FS.writeFile(name, new Uint8Array(images[i])));
    fit();
    if (!module._kiv_build(canvas.width, canvas.height)) throw new Error('the show could not be built');
  })();
  ready.then(() => {
    if (window.kivHook) {
      screen.hidden = true;
      window.kivHook.run(module);
      return;
    }
    button.disabled = false;
    note.textContent = '';
  }, error => refuse('The show could not load: ' + error.message));

  function frame() {
    if (!running) return;
    if (fit()) module._kiv_resize(canvas.width, canvas.height);
    kivSound.feed(module);
    module._kiv_frame();
    if (clickedAt) {
      window.kivFirstFrameMs = performance.now() - clickedAt;
      clickedAt = 0;
    }
    requestAnimationFrame(frame);
  }

  // Both must be asked for inside the click: browsers allow sound and full screen only then.
  button.addEventListener('click', () => {
    clickedAt = performance.now();
    const resumed = kivSound.resume();
    if (document.documentElement.requestFullscreen)
      document.documentElement.requestFullscreen().catch(() => {});
    resumed.then(() => {
      screen.hidden = true;
      kivSound.skipToNow();
      module._kiv_start();
      running = true;
      requestAnimationFrame(frame);
    }, error => refuse('The browser would not play sound: ' + error.message));
  });

  function ended() {
    running = false;
    button.textContent = 'Play again';
    screen.hidden = false;
    if (document.fullscreenElement) document.exitFullscreen().catch(() => {});
    button.focus();
  }

  window.addEventListener('keydown', event => {
    if (running && event.key === 'Escape') module._kiv_stop();
  });
  document.addEventListener('fullscreenchange', () => {
    if (running && !document.fullscreenElement) module._kiv_stop();
  });

  // Every press, release and move counts, as with the desktop's window toolkit.
  function pointer(event) {
    if (!running) return;
    const box = canvas.getBoundingClientRect();
    module._kiv_mouse(Math.floor((event.clientX - box.left) * canvas.width / box.width),
                      Math.floor((event.clientY - box.top) * canvas.height / box.height));
  }
  for (const type of ['pointermove', 'pointerdown', 'pointerup']) canvas.addEventListener(type, pointer);
})();
