// What the program's C++ calls in the page (host/web/page_bindings.cpp):
// each function hands its arguments, strings and drawing commands read out
// of the program's memory, to the page (site/page.js), which owns the
// elements, the canvases and the timer.
mergeInto(LibraryManager.library, {
  kw_arm: function (delayMs) { Module.page.arm(delayMs); },
  kw_disarm: function () { Module.page.disarm(); },
  kw_open_window: function (id, title, titleLength) {
    Module.page.openWindow(id, UTF8ToString(title, titleLength));
  },
  kw_place_window: function (id, x, y, width, height, deviceWidth, deviceHeight) {
    Module.page.placeWindow(id, x, y, width, height, deviceWidth, deviceHeight);
  },
  kw_hide_window: function (id) { Module.page.hideWindow(id); },
  kw_activate_window: function (id) { Module.page.activateWindow(id); },
  kw_remove_window: function (id) { Module.page.removeWindow(id); },
  kw_draw: function (id, commands, count) {
    Module.page.draw(id, HEAPF64.subarray(commands >> 3, (commands >> 3) + count));
  },
  kw_show_box: function (title, titleLength, text, textLength, x, y, width, height,
                         deviceWidth, deviceHeight, commands, count, okX, okY, okWidth, okHeight,
                         answerAfterMs) {
    Module.page.showBox({
      title: UTF8ToString(title, titleLength),
      text: UTF8ToString(text, textLength),
      x: x, y: y, width: width, height: height, deviceWidth: deviceWidth, deviceHeight: deviceHeight,
      commands: HEAPF64.slice(commands >> 3, (commands >> 3) + count),
      ok: {x: okX, y: okY, width: okWidth, height: okHeight},
      answerAfterMs: answerAfterMs,
    });
  },
  kw_hide_box: function () { Module.page.hideBox(); },
  kw_ended: function () { Module.page.ended(); },
  kw_watch_over: function () { Module.page.watchOver(); },
  kw_failed: function (what) { Module.page.failed(UTF8ToString(what)); },
});
