'use strict';
// Once the libraries are cached, `make web` into a clean web build folder works with no network at all: run in
// a network namespace of its own, which has none. Needs root, as the tests' machines run them.
const {test} = require('node:test');
const assert = require('node:assert');
const {spawnSync} = require('node:child_process');
const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');

const root = path.resolve(__dirname, '../..');

test('make web builds offline from the cache', {skip: process.getuid() !== 0 && 'needs root'}, () => {
  const work = fs.mkdtempSync(path.join(os.tmpdir(), 'kiv-offline-'));
  try {
    const made = spawnSync('unshare', ['-n', 'make', '-C', root, 'web', `WEB_BUILD=${work}/build`, `WEB_OUT=${work}/web`],
                           {encoding: 'utf8'});
    assert.strictEqual(made.status, 0, made.stdout + made.stderr);
    for (const name of ['index.html', 'kiv.js', 'kiv.wasm', 'show/music.mp3'])
      assert.ok(fs.existsSync(path.join(work, 'web', name)), name);
  } finally {
    fs.rmSync(work, {recursive: true, force: true});
  }
});
