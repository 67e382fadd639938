'use strict';
// The page around the show: its start screen, its files, listening, full screen, the input and the frame loop.
// The address carries the choices that are not files (docs/web.md): ?listen (or ?listen=tab) makes the button
// listen, ?pointer keeps the pointer in sight, ?from=S starts a rehearsal at show time S.
(() => {
  const pictures = ['img1.tif', 'img2.tif', 'img4.tif', 'img5.tif'];
  const musicFile = 'music.mp3';
  const params = new URLSearchParams(location.search);
  const el = id => document.getElementById(id);
  const canvas = el('show'), screen = el('start'), button = el('play'), note = el('note');
  const listenButton = el('listen'), tabButton = el('listen-tab'), problems = el('problems');
  const buttons = [button, listenButton, tabButton, el('defaults')];
  const from = Math.min(151, Math.max(0, Number(params.get('from')) || 0));
  let running = false;
  let starting = false;  // from a click until the show runs or the start screen says why not
  let clickedAt = 0;  // for window.kivFirstFrameMs: from the click to the show's first frame
  let files = null;

  function refuse(text) {
    note.textContent = text;
    for (const b of buttons) b.hidden = true;
    el('own').hidden = el('private').hidden = true;
  }

  // One line each on the start screen, in place of the last ones.
  function say(lines) {
    problems.replaceChildren(...lines.map(line => Object.assign(document.createElement('li'), {textContent: line})));
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
    // emscripten's runtime says its own warnings (the GL emulation's) on stderr too. While web/files.js makes
    // a picture, it hears the lines itself: they say why a file could not be read.
    printErr: line => {
      if (module.kivHearErrors) module.kivHearErrors(line);
      else (line.startsWith('WARNING: ') ? console.warn : console.error)(line);
    },
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

  if (params.has('pointer')) canvas.style.cursor = 'default';
  const listenTo = params.get('listen');
  if (listenTo !== null) button.textContent = listenTo === 'tab' ? 'Listen to a tab' : 'Listen';
  const canShare = !!(navigator.mediaDevices && navigator.mediaDevices.getDisplayMedia);
  listenButton.hidden = listenTo !== null || !(navigator.mediaDevices && navigator.mediaDevices.getUserMedia);
  tabButton.hidden = listenTo !== null || !canShare;

  const ready = (async () => {
    const [images, music] = await Promise.all([Promise.all(pictures.map(fetchBytes)), fetchBytes(musicFile)]);
    const defaults = {pictures: {}, music: await kivSound.decode(musicFile, music)};
    await runtime;
    pictures.forEach((name, i) => {
      defaults.pictures[name] = new Uint8Array(images[i]);
      module.FS.writeFile(name, defaults.pictures[name]);
    });
    fit();
    if (!module._kiv_build(canvas.width, canvas.height)) throw new Error('the show could not be built');
    files = kivFiles(module, defaults, {
      container: el('places'),
      changed: own => { el('defaults').disabled = !own; },
    });
  })();
  ready.then(() => {
    if (window.kivHook && !window.kivHook.held) {
      screen.hidden = true;
      window.kivHook.run(module);
      return;
    }
    for (const b of [button, listenButton, tabButton]) b.disabled = false;
    el('own').hidden = el('private').hidden = false;
    note.textContent = '';
  }, error => refuse('The show could not load: ' + error.message));

  // Dropped or picked files; the screen waits while they are read. window.kivFilesTaken counts the batches
  // read, for the tests.
  async function take(list, place) {
    const chosen = [...list];  // before the drop's data or the picker let go of them
    await ready.catch(() => {});
    if (!files || running || starting || !chosen.length) return;
    const enabled = buttons.filter(b => !b.disabled);
    for (const b of enabled) b.disabled = true;
    note.textContent = 'Reading your files…';
    try {
      say(await files.take(chosen, place));
    } finally {
      for (const b of enabled) b.disabled = false;
      note.textContent = '';
      window.kivFilesTaken = (window.kivFilesTaken || 0) + 1;
    }
  }
  el('choose').addEventListener('click', () => el('picker').click());
  el('picker').addEventListener('change', event => {
    take(event.target.files).finally(() => { event.target.value = ''; });
  });
  el('defaults').addEventListener('click', () => {
    if (!files || running) return;
    files.restore();
    say([]);
  });
  screen.addEventListener('dragover', event => {
    event.preventDefault();
    screen.classList.add('dragging');
  });
  screen.addEventListener('dragleave', event => {
    if (event.target === screen) screen.classList.remove('dragging');
  });
  screen.addEventListener('drop', event => {
    event.preventDefault();
    screen.classList.remove('dragging');
    take(event.dataTransfer.files, files && files.placeOf(event.target));
  });

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

  // Up to a rehearsal's start the show runs undrawn on a virtual clock at 60 frames a second, hearing its
  // music, as kiv-render runs it before --from; then it goes on on the audio clock.
  function rehearse(seconds) {
    const fps = 60, rate = kivSound.rate;
    const musicFrame = Math.round(module._kiv_music_start() * rate);
    const clock = n => ({ms: Math.floor(n * 1000 / fps), frame: Math.floor(n * rate / fps), musicFrame});
    kivSound.setVirtual(clock(0));
    kivSound.skipToNow();
    return n => {
      kivSound.setVirtual(clock(n));
      kivSound.feed(module);
      module._kiv_idle();
      return n >= Math.round(seconds * fps);
    };
  }

  function begin(listen) {
    starting = false;
    say([]);
    screen.hidden = true;
    if (window.kivHook && window.kivHook.held) {
      window.kivHook.run(module, listen);
      return;
    }
    const step = from > 0 ? rehearse(from) : null;
    if (!step) kivSound.skipToNow();
    module._kiv_start(listen ? 1 : 0);
    if (step) {
      for (let n = 0; !step(n); n++);
      kivSound.goLive();
    }
    running = true;
    requestAnimationFrame(frame);
  }

  function fullScreen() {
    if (document.documentElement.requestFullscreen)
      document.documentElement.requestFullscreen().catch(() => {});
  }

  // Sound and full screen must be asked for inside the click: browsers allow them only then.
  function play() {
    if (starting || running) return;
    starting = true;
    clickedAt = performance.now();
    const resumed = kivSound.resume();
    fullScreen();
    resumed.then(() => begin(false), error => refuse('The browser would not play sound: ' + error.message));
  }

  const capture = {echoCancellation: false, noiseSuppression: false, autoGainControl: false};
  const sources = {
    microphone: {what: 'The microphone or line-in',
                 ask: () => navigator.mediaDevices.getUserMedia({audio: capture})},
    // Chromium shares a tab's or the screen's sound only with its picture.
    tab: {what: 'The shared tab or screen',
          ask: () => navigator.mediaDevices.getDisplayMedia({video: true, audio: capture})},
  };

  function refused(error) {
    if (error.name === 'NotAllowedError') return 'the browser was not allowed to use it';
    if (error.name === 'NotFoundError') return 'there is none';
    return error.message;
  }

  // The source is asked for first: sharing a tab needs the click's activation.
  async function listen(source) {
    if (starting || running) return;
    starting = true;
    clickedAt = performance.now();
    const asked = source.ask();
    const resumed = kivSound.resume();
    fullScreen();
    let stream;
    try {
      stream = await asked;
      await resumed;
      await kivSound.listen(stream, () => lost(`${source.what} has ended.`));
    } catch (error) {
      if (stream) for (const track of stream.getTracks()) track.stop();
      leave([`${source.what}: ${refused(error)}.`]);
      return;
    }
    begin(true);
  }

  function lost(line) {
    if (running) module._kiv_stop();
    else ended();
    say([line]);
  }

  function leave(lines) {
    ended();
    say(lines);
  }

  button.addEventListener('click', () => {
    if (listenTo === null) play();
    else listen(listenTo === 'tab' ? sources.tab : sources.microphone);
  });
  listenButton.addEventListener('click', () => listen(sources.microphone));
  tabButton.addEventListener('click', () => listen(sources.tab));

  function ended() {
    running = starting = false;
    kivSound.unlisten();
    if (listenTo === null) button.textContent = 'Play again';
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
