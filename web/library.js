// The page's side of web/WebCalls.h, linked into kiv.js with --js-library.
mergeInto(LibraryManager.library, {
  // Made as emscripten's GLUT makes its window's context: that is where the legacy GL emulation hooks in.
  kiv_web_create_context__deps: ['$Browser'],
  kiv_web_create_context: function () {
    var attributes = {alpha: false, antialias: false, depth: false, stencil: false};
    var context = Browser.createContext(Module['canvas'], true, true, attributes);
    if (!context) return 0;
    // GL 1.x clamps vertex colours to [0, 1] before rasterising, and the grids count on it (fx/HexColour.h:
    // loud music drives their greys above 1); the emulation's shaders pass them on as they are.
    var shaderSource = context.shaderSource;
    context.shaderSource = function (shader, source) {
      shaderSource.call(context, shader, source.replace('v_color = a_color;', 'v_color = clamp(a_color, 0.0, 1.0);'));
    };
    return 1;
  },
  kiv_web_ticks: function () {
    return Module['kivSound'].ticks();
  },
  kiv_web_show_ended: function () {
    Module['kivShowEnded']();
  },
  kiv_web_sound_open: function (name) {
    return Module['kivSound'].open(UTF8ToString(name));
  },
  kiv_web_sound_play: function (handle) {
    Module['kivSound'].play(handle);
  },
  kiv_web_sound_stop: function () {
    Module['kivSound'].stop();
  },
  kiv_web_sound_close: function (handle) {
    Module['kivSound'].close(handle);
  },
});
