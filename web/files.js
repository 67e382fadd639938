'use strict';
// The user's own music and pictures, in memory only: each picture made ready for the show by kiv-picture's
// code compiled into the page (web/WebPicture.cpp) and written where the show reads its own, the music decoded
// by the browser. web/page.js makes it once the show's runtime is there.
window.kivFiles = (module, defaults, ui) => {
  // In the order they first show; `file` is the name the show reads.
  const places = [
    {file: 'img1.tif', when: '12–27 s, 54–76 s,\nin the cells 39–107 s'},
    {file: 'img2.tif', when: '27–54 s'},
    {file: 'img5.tif', when: '76–144 s'},
    {file: 'img4.tif', when: 'the close, 146–151 s'},
  ];
  const musicFile = 'music.mp3';
  const pictureKinds = ['PNG', 'JPEG', 'WebP', 'GIF', 'BMP', 'AVIF'];
  // The show stretches a picture over the screen, so it is cropped to the screen's shape.
  const aspect = screen.width > 0 && screen.height > 0 ? screen.width / screen.height : 4 / 3;
  const thumb = {width: 160, height: 120};
  let music = null;  // the user's music's name, or null for the show's own
  let errors = [];   // the runtime's stderr lines while a picture is made, for the line that says why

  function kindOf(bytes) {
    const pointer = module._malloc(16);
    module.HEAPU8.set(bytes.subarray(0, 16), pointer);
    const kind = module._kiv_file_kind(pointer, Math.min(16, bytes.length));
    module._free(pointer);
    return kind ? module.UTF8ToString(kind) : null;
  }

  // Calls `make` with `bytes` in the wasm heap: (pointer, size).
  function withBytes(bytes, make) {
    const pointer = module._malloc(Math.max(1, bytes.length));
    module.HEAPU8.set(bytes, pointer);
    try {
      return make(pointer, bytes.length);
    } finally {
      module._free(pointer);
    }
  }

  // What the runtime said last about the file, without who said it and of which file.
  function why(fallback) {
    const said = errors.filter(line => line.trim()).pop();
    return said ? said.replace(/^[^:]*: (?:own|new)\.tif:? /, '').replace(/^kiv-picture: /, '') : fallback;
  }

  // The browser's pixels for a picture it decodes, the EXIF turn left to the show's code.
  async function pixels(bytes, kind) {
    const forBrowser = withBytes(bytes, (pointer, size) => {
      const left = module._kiv_picture_for_browser(pointer, size);
      return module.HEAPU8.slice(pointer, pointer + left);
    });
    const bitmap = await createImageBitmap(new Blob([forBrowser]),
                                           {premultiplyAlpha: 'none', colorSpaceConversion: 'none'})
      .catch(() => { throw new Error(`the browser cannot read it as a ${kind || 'picture'}`); });
    const canvas = document.createElement('canvas');
    [canvas.width, canvas.height] = [bitmap.width, bitmap.height];
    const context = canvas.getContext('2d', {willReadFrequently: true});
    context.drawImage(bitmap, 0, 0);
    bitmap.close();
    return context.getImageData(0, 0, canvas.width, canvas.height);
  }

  // Makes `bytes` the show's picture `file`; throws with why not, leaving what was there.
  async function preparePicture(bytes, kind, file) {
    errors = [];
    module.kivHearErrors = line => errors.push(line);
    try {
      let made;
      if (kind && kind.includes('TIFF')) {
        module.FS.writeFile('own.tif', bytes);
        made = module.ccall('kiv_picture_from_tiff', 'number', ['string', 'string', 'number'],
                            ['own.tif', 'new.tif', aspect]);
        module.FS.unlink('own.tif');
        if (!made) throw new Error(why('libtiff cannot read it'));
      } else {
        const image = await pixels(bytes, kind);
        made = withBytes(bytes, (filePointer, fileSize) => withBytes(image.data, rgba =>
          module.ccall('kiv_picture_from_pixels', 'number',
                       ['string', 'number', 'number', 'number', 'number', 'number', 'number'],
                       ['new.tif', rgba, image.width, image.height, filePointer, fileSize, aspect])));
        if (!made) throw new Error(why('it could not be made ready for the show'));
      }
      module.FS.rename('new.tif', file);
    } finally {
      module.kivHearErrors = null;
    }
  }

  // The picture as the show draws it over a 4:3 window, from the file the show reads.
  function drawThumbnail(place) {
    const context = place.canvas.getContext('2d');
    context.clearRect(0, 0, thumb.width, thumb.height);
    const pointer = module.ccall('kiv_picture_view', 'number', ['string', 'number'], [place.file, 4096]);
    if (!pointer) return;
    const size = module._kiv_picture_view_size() >> 2;
    const [width, height] = [module.HEAP32[size], module.HEAP32[size + 1]];
    const full = document.createElement('canvas');
    [full.width, full.height] = [width, height];
    const data = new Uint8ClampedArray(module.HEAPU8.slice(pointer, pointer + width * height * 4).buffer);
    full.getContext('2d').putImageData(new ImageData(data, width, height), 0, 0);
    context.drawImage(full, 0, 0, thumb.width, thumb.height);
  }

  function show() {
    for (const place of places) {
      place.element.classList.toggle('own', !!place.own);
      place.name.textContent = place.own || 'the show\'s own';
      place.name.title = place.own || '';
      drawThumbnail(place);
    }
    musicPlace.classList.toggle('own', !!music);
    musicName.textContent = music || 'the show\'s own music';
    musicName.title = music || '';
    ui.changed(places.some(place => place.own) || !!music);
  }

  // Where dropped or picked pictures go: from the place they were dropped on, else the places still the
  // show's own first, in the order they show.
  function targets(from) {
    if (from !== undefined) return places.slice(from);
    return places.filter(place => !place.own).concat(places.filter(place => place.own));
  }

  async function take(files, from) {
    const problems = [];
    const free = targets(from);
    let musicTaken = null;
    for (const file of files) {
      const bytes = new Uint8Array(await file.arrayBuffer());
      const kind = kindOf(bytes);
      const picture = (kind && (pictureKinds.includes(kind) || kind.includes('TIFF'))) ||
                      (!kind && /^image\//.test(file.type));
      if (picture) {
        const place = free.shift();
        if (!place) {
          problems.push(`${file.name}: the show has room for four pictures`);
          continue;
        }
        try {
          await preparePicture(bytes, kind, place.file);
          place.own = file.name;
        } catch (error) {
          problems.push(`${file.name}: ${error.message}; ${place.file.replace('.tif', '')} stays as it was`);
          free.unshift(place);
        }
      } else if (musicTaken) {
        problems.push(`${file.name}: one music file at a time; ${musicTaken} plays`);
      } else {
        try {
          kivSound.set(musicFile, await kivSound.decode(file.name, bytes.slice().buffer));
          music = musicTaken = file.name;
        } catch (error) {
          problems.push(`${file.name}: ${kind ? `a ${kind} file, but ` : ''}not music or a picture this browser ` +
                        'can read; the music stays as it was');
        }
      }
    }
    if (!module._kiv_reload()) problems.push('the show could not open its music again');
    show();
    return problems;
  }

  function restore() {
    for (const place of places) {
      module.FS.writeFile(place.file, defaults.pictures[place.file]);
      place.own = null;
    }
    kivSound.set(musicFile, defaults.music);
    music = null;
    module._kiv_reload();
    show();
  }

  // The start screen's places: a thumbnail each, what it holds and when it shows; the music last.
  function place(element, title, when) {
    element.className = 'place';
    const caption = document.createElement('span');
    caption.textContent = title;
    const name = document.createElement('span');
    name.className = 'name';
    const at = document.createElement('span');
    at.className = 'when';
    at.textContent = when;
    element.append(caption, name, at);
    ui.container.appendChild(element);
    return name;
  }
  for (const [i, picture] of places.entries()) {
    picture.element = document.createElement('div');
    picture.element.dataset.place = String(i);
    picture.canvas = document.createElement('canvas');
    [picture.canvas.width, picture.canvas.height] = [thumb.width, thumb.height];
    picture.element.appendChild(picture.canvas);
    picture.name = place(picture.element, `Picture ${i + 1}`, picture.when);
  }
  const musicPlace = document.createElement('div');
  musicPlace.id = 'music';
  const tile = document.createElement('div');
  tile.className = 'tile';
  tile.textContent = '♪';
  musicPlace.appendChild(tile);
  const musicName = place(musicPlace, 'Music', 'from 12 s');
  show();

  return {take, restore, places, aspect, placeOf: element => {
    const found = element.closest && element.closest('.place[data-place]');
    return found ? Number(found.dataset.place) : undefined;
  }};
};
