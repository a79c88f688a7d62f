// The page around the WebAssembly viewer: the clock (setTimeout on the delay
// each tick returns, no timer while paused), the canvas (changed rectangles
// put with putImageData at device pixels), the caption and the overlay drawn
// with the browser's fonts, keys, pointer and touch, and the settings kept in
// localStorage and overridden from the address.
// Appended to Emscripten's loader (--post-js), so it sees the module's exports.

(function () {
  "use strict";

  // A Japanese Gothic stack: the desktop's MS PGothic, its metric twin on
  // Linux, then what phones and Macs have.
  var FONT = '"MS PGothic", "ＭＳ Ｐゴシック", "IPAPGothic", "Hiragino Kaku Gothic ProN", ' +
    '"Noto Sans CJK JP", "Noto Sans JP", "Yu Gothic", Meiryo, sans-serif';
  var STORE = "mirukado";
  // Address values, slowest first, as the speeds play: the fastest divides
  // durations by 10. "3", the saver's name for it, still opens it.
  var SPEEDS = ["0.25", "0.5", "1", "2", "10"];
  var SAVER_SPEED_THREE = "3";
  var DEFAULT_SPEED = 2;                         // speed 1
  var SWIPE_CSS_PX = 40;                         // a horizontal move this long steps
  var PT_TO_PX = 20 / 15;                        // twips per point over twips per pixel
  // What mk_key and mk_command report, bit by bit.
  var RAN = 1, SETTINGS_CHANGED = 2, FULL_SCREEN = 4, HELP_OPEN = 16, COMMANDS_OPEN = 32;
  var ASK_NUMBER = 64;

  var stageCanvas = document.getElementById("stage");
  var overlayCanvas = document.getElementById("overlay");
  var stageCtx = stageCanvas.getContext("2d", { alpha: false, desynchronized: true });
  var overlayCtx = overlayCanvas.getContext("2d", { desynchronized: true });
  var measureCtx = document.createElement("canvas").getContext("2d");

  // The caption's line height at `px` pixels, as the stage's font fitting
  // asks it of every host: the font box's ascent plus descent, whole pixels.
  var lineHeights = {};
  Module.captionLineHeight = function (px) {
    if (!(px in lineHeights)) {
      measureCtx.font = px + "px " + FONT;
      var m = measureCtx.measureText("訓練");
      var h = m.fontBoundingBoxAscent !== undefined
        ? Math.round(m.fontBoundingBoxAscent + m.fontBoundingBoxDescent) : Math.ceil(px * 1.2);
      lineHeights[px] = Math.max(1, h);
    }
    return lineHeights[px];
  };

  var names = [];        // the registry's drills
  var displayNames = [];
  var origin = 0;        // performance.now() at the viewer's clock 0
  var timer = 0;
  var showHelp = false;
  var showCommands = false;
  var state = null;
  var overlay = null;    // the overlay last drawn
  var drawn = [];        // rectangles of the overlay canvas that hold text now
  // ms of each timer tick, for the benchmark: through the stage's pixels
  // (stage), and with the caption and the overlay (all).
  var ticks = { stage: [], all: [] };

  function readStore() {
    try {
      var s = JSON.parse(localStorage.getItem(STORE) || "{}");
      return s && typeof s === "object" ? s : {};
    } catch (e) {
      return {};
    }
  }
  function writeStore(settings) {
    try {
      localStorage.setItem(STORE, JSON.stringify(settings));
    } catch (e) { /* private mode or no storage: the settings last this visit */ }
  }

  // Each setting from the address when it is valid, else from the store, else
  // the default; a bad value never stops the page.
  function drillMask(list) {
    var mask = 0;
    if (Array.isArray(list)) list.forEach(function (n) {
      var i = names.indexOf(String(n).trim().toLowerCase());
      if (i >= 0) mask |= 1 << i;
    });
    return mask;
  }
  function settings() {
    var q = new URLSearchParams(location.search);
    var stored = readStore();
    var s = { mask: (1 << names.length) - 1, speed: DEFAULT_SPEED, at: null };
    var storedMask = drillMask(stored.drills);
    if (storedMask) s.mask = storedMask;
    if (Number.isInteger(stored.speed) && stored.speed >= 0 && stored.speed < SPEEDS.length)
      s.speed = stored.speed;
    var addressMask = q.has("drills") ? drillMask(q.get("drills").split(",")) : 0;
    if (addressMask) s.mask = addressMask;
    var speed = q.get("speed") === SAVER_SPEED_THREE ? SPEEDS.length - 1 : SPEEDS.indexOf(q.get("speed"));
    if (speed >= 0) s.speed = speed;
    var at = /^([a-z]+):(\d{1,6})$/.exec((q.get("at") || "").trim().toLowerCase());
    if (at && names.indexOf(at[1]) >= 0 && (s.mask & (1 << names.indexOf(at[1])))) {
      var index = 0;  // the drill's place among the chosen ones
      for (var i = 0; i < names.indexOf(at[1]); ++i) if (s.mask & (1 << i)) ++index;
      // Keyframes are numbered from 1, as the viewers' titles and mirukado-render frame do.
      s.at = { drill: index, keyframe: parseInt(at[2], 10) - 1 };
    }
    return s;
  }

  function deviceSize() {
    var dpr = window.devicePixelRatio || 1;
    return { dpr: dpr, w: Math.max(1, Math.round(window.innerWidth * dpr)),
      h: Math.max(1, Math.round(window.innerHeight * dpr)) };
  }
  // Canvas pixels are device pixels: the CSS size is the pixel size over the
  // ratio, so one stage pixel is one device pixel and lines stay sharp.
  function sizeCanvases(size) {
    shown = false;  // a canvas sized again is blank
    [stageCanvas, overlayCanvas].forEach(function (c) {
      c.width = size.w;
      c.height = size.h;
      c.style.width = size.w / size.dpr + "px";
      c.style.height = size.h / size.dpr + "px";
    });
  }

  function clock() { return performance.now() - origin; }

  // One ImageData on the frame's RGBA bytes in the module's memory, made again
  // only when the memory grows (its buffer changes) or the viewer changes.
  var frameImage = null;
  function frameData() {
    var pixels = _mk_pixels();
    var w = _mk_width();
    var h = _mk_height();
    var d = frameImage && frameImage.data;
    if (!d || d.buffer !== HEAPU8.buffer || d.byteOffset !== pixels || frameImage.width !== w ||
        frameImage.height !== h)
      frameImage = new ImageData(new Uint8ClampedArray(HEAPU8.buffer, pixels, w * h * 4), w, h);
    return frameImage;
  }

  function present(everything) {
    var n = _mk_present(everything ? 1 : 0);
    if (n === 0) return;
    var image = frameData();
    var r = _mk_rects() >> 2;
    for (var i = 0; i < n; ++i, r += 4)
      stageCtx.putImageData(image, 0, 0, HEAP32[r], HEAP32[r + 1], HEAP32[r + 2], HEAP32[r + 3]);
  }

  function schedule(delay) {
    if (timer) clearTimeout(timer);
    timer = delay >= 0 ? setTimeout(tick, delay) : 0;
  }

  function tick() {
    timer = 0;
    var t0 = performance.now();
    var delay = _mk_advance(t0 - origin);
    present(false);
    var t1 = performance.now();
    drawText();
    var t2 = performance.now();
    ticks.stage.push(t1 - t0);
    ticks.all.push(t2 - t0);
    schedule(delay);
  }

  // A viewer command between ticks, by its name in the viewer's command
  // table: the model catches up to now first, then acts, then says when it
  // next wants the timer. Returns what the command did (the bits above).
  function act(name, arg) {
    var result = 0;
    actWith(function () {
      result = Module.command(name, arg || 0, showHelp, showCommands);
    });
    return settle(result);
  }
  // Commands are numbered from 1, as the command list shows them.
  function askCommandNumber() {
    var n = parseInt(window.prompt("号令番号", "") || "", 10);
    if (n >= 1) act("go-to-command", n - 1);
  }
  // Takes over the panels' state a command left and does the page's part.
  function settle(result) {
    var panels = showHelp !== !!(result & HELP_OPEN) || showCommands !== !!(result & COMMANDS_OPEN);
    showHelp = !!(result & HELP_OPEN);
    showCommands = !!(result & COMMANDS_OPEN);
    if (result & SETTINGS_CHANGED) saveSettings();
    if (result & FULL_SCREEN) fullScreen();
    // After the key's own event is done: the browser's prompt blocks the page.
    if (result & ASK_NUMBER) setTimeout(askCommandNumber, 0);
    if (panels) drawText();
    return result;
  }
  function actWith(run) {
    _mk_advance(clock());
    run();
    var delay = _mk_advance(clock());
    present(false);
    drawText();
    schedule(delay);
  }

  function captionLine() {
    return Module.captionLineHeight(state.captionPoints * PT_TO_PX);
  }

  // The caption and the overlay, above the stage on their own canvas. Text
  // costs more than the whole tick, so each part is drawn again only when what
  // it shows changed: during play that is mostly the timeline's position (a
  // few rectangles) and once a second the clock.
  var shown = false;      // the overlay canvas shows the current text
  var captionBox = null;  // where the caption is drawn
  // What changed since the last drawText, as the module tells it.
  var CHANGED = { caption: 1, controls: 2, layout: 4, position: 8, status: 16 };
  function drawText() {
    var fresh = !shown;
    var s = _mk_state_changes();
    if (fresh || s) state = Module.state();
    var line = captionLine();
    var o = _mk_overlay_changes(line, showHelp, showCommands);
    var from = overlay && overlay.position;  // where the bar's marker is drawn
    if (fresh || o & (CHANGED.layout | CHANGED.status))
      overlay = Module.overlay();
    else if (o & CHANGED.position)
      overlay.position = _mk_position();
    shown = true;
    if (fresh || s & CHANGED.caption || o & CHANGED.layout ||
        ((s || o) && overlaps(captionBox, overlay.band))) {
      drawAll(overlay);
    } else if (overlay.shown) {
      if (o & CHANGED.position) drawBar(overlay, from);
      if (o & CHANGED.status) drawStatus(overlay, true);
    }
    if (fresh || o & CHANGED.layout) placeControls(overlay);
    if (fresh || s & CHANGED.controls) syncControls();
  }

  // Rectangles as drawn, with the 2 pixels around each that clearing takes.
  function overlaps(a, b) {
    return !!a && !!b && a[0] - 2 < b[0] + b[2] && b[0] < a[0] + a[2] + 2 &&
      a[1] - 2 < b[1] + b[3] && b[1] < a[1] + a[3] + 2;
  }

  function drawAll(o) {
    var ctx = overlayCtx;
    // Only where text was drawn: clearing the whole canvas would cost more
    // than the tick itself.
    drawn.forEach(function (r) { ctx.clearRect(r[0] - 2, r[1] - 2, r[2] + 4, r[3] + 4); });
    drawn = [];
    captionBox = null;
    ctx.textBaseline = "alphabetic";
    if (state.caption) {
      var px = state.captionPoints * PT_TO_PX;
      ctx.font = px + "px " + FONT;
      var m = ctx.measureText(state.caption);
      var line = captionLine();
      ctx.fillStyle = "#f0f0f0";  // the label's button face
      ctx.fillRect(state.captionLeft, 0, Math.ceil(m.width), line);
      captionBox = [state.captionLeft, 0, Math.ceil(m.width) + 1, line];
      drawn.push(captionBox);
      ctx.fillStyle = "#000";
      ctx.fillText(state.caption, state.captionLeft,
        m.fontBoundingBoxAscent !== undefined ? Math.round(m.fontBoundingBoxAscent) : px);
    }
    drawOverlay(o);
  }

  var BAND = "rgba(0,0,0,0.6)";
  // Part of the band again: cleared and filled as the whole band would be
  // (the same pixels), then what lies on it.
  function refill(r) {
    overlayCtx.clearRect(r[0], r[1], r[2], r[3]);
    overlayCtx.fillStyle = BAND;
    overlayCtx.fillRect(r[0], r[1], r[2], r[3]);
  }

  // The timeline's bar: the drill's commands, the A-B passage, the position
  // (whose marker reaches one pixel past the bar at either end). Drawn again
  // after a move (`from`: the position drawn before), only the columns between
  // the old and the new marker change: everything is clipped to them, so that
  // a tick redraws a few pixels with a few calls.
  function drawBar(o, from) {
    var ctx = overlayCtx;
    var line = o.bar[3];
    var x0 = o.bar[0] - 1;
    var x1 = o.bar[0] + o.bar[2] + 1;
    if (from !== undefined) {
      x0 = Math.max(x0, Math.min(from, o.position) - 1);
      x1 = Math.min(x1, Math.max(from, o.position) + 2);
      refill([x0, o.bar[1], x1 - x0, o.bar[3]]);
    }
    function fill(style, x, y, w, h) {
      var a = Math.max(x, x0);
      var b = Math.min(x + w, x1);
      if (b <= a) return;
      ctx.fillStyle = style;
      ctx.fillRect(a, y, b - a, h);
    }
    fill("#555", o.bar[0], o.bar[1], o.bar[2], o.bar[3]);
    if (o.loop) fill("rgba(80,160,255,0.6)", o.loop[0], o.loop[1], o.loop[2], o.loop[3]);
    o.marks.forEach(function (x) { fill("#aaa", x, o.bar[1], 1, o.bar[3]); });
    fill("#e33", o.bar[0], o.bar[1] + (line >> 2), o.position - o.bar[0], line >> 1);
    fill("#e33", o.position - 1, o.bar[1], 3, o.bar[3]);
  }

  // The status row under the bar: play state and drill, time and speed.
  function drawStatus(o, again) {
    var ctx = overlayCtx;
    var line = o.bar[3];
    var pad = Math.max(1, line >> 2);
    var top = o.bar[1] + o.bar[3];
    if (again) refill([o.band[0], top, o.band[2], o.band[1] + o.band[3] - top]);
    ctx.font = Math.round(line * 0.8) + "px " + FONT;
    ctx.textBaseline = "middle";
    var statusY = top + pad + line / 2;
    ctx.fillStyle = "#fff";
    ctx.textAlign = "left";
    ctx.fillText((o.paused ? "❚❚  " : "▶  ") + o.drill, o.bar[0], statusY);
    ctx.textAlign = "right";
    ctx.fillText(o.time + "   " + o.speed, o.bar[0] + o.bar[2], statusY);
    ctx.textAlign = "left";
  }

  function drawOverlay(o) {
    if (!o.shown) return;
    var ctx = overlayCtx;
    var line = o.bar[3];
    var pad = Math.max(1, line >> 2);
    ctx.fillStyle = BAND;
    ctx.fillRect.apply(ctx, o.band);
    drawn.push(o.band);
    drawBar(o);
    drawStatus(o, false);
    ctx.font = Math.round(line * 0.8) + "px " + FONT;
    ctx.textBaseline = "middle";
    if (o.help) {
      ctx.fillStyle = "rgba(0,0,0,0.8)";
      ctx.fillRect.apply(ctx, o.help);
      drawn.push(o.help);
      ctx.fillStyle = "#fff";
      o.helpLines.forEach(function (l, i) {
        var y = o.help[1] + pad + line * i + line / 2;
        ctx.fillText(l[0], o.help[0] + pad * 2, y);
        ctx.fillText(l[1], o.help[0] + o.help[2] * 0.4, y);
      });
    }
    if (o.panel) {
      ctx.fillStyle = "rgba(0,0,0,0.75)";
      ctx.fillRect.apply(ctx, o.panel);
      drawn.push(o.panel);
      o.rows.forEach(function (r) {
        if (r.current) {
          ctx.fillStyle = "rgba(230,50,50,0.7)";
          ctx.fillRect.apply(ctx, r.rect);
        }
        ctx.fillStyle = "#fff";
        var y = r.rect[1] + r.rect[3] / 2;
        ctx.save();  // a long command stops at the panel's edge
        ctx.beginPath();
        ctx.rect(r.rect[0], r.rect[1], r.rect[2] - pad, r.rect[3]);
        ctx.clip();
        ctx.fillText(r.time, r.rect[0] + pad, y);
        ctx.fillText(r.text, r.rect[0] + pad + line * 3, y);
        ctx.restore();
      });
    }
  }

  // --- controls ---

  var bar = document.getElementById("bar");
  var drillSelect = document.getElementById("drill");
  var speedSelect = document.getElementById("speed");
  var choice = document.getElementById("choice");

  // The controls sit in the middle of the timeline's status row, clear of the
  // caption and the command list; top right when the overlay does not show.
  function placeControls(o) {
    var dpr = window.devicePixelRatio || 1;
    if (o.shown) {
      var line = o.bar[3];
      bar.style.cssText = "left: 50%; right: auto; top: auto; transform: translateX(-50%); " +
        "bottom: " + Math.max(1, line >> 2) / dpr + "px; font-size: " + Math.max(9, line * 0.55 / dpr) + "px";
    } else {
      bar.style.cssText = "";
    }
  }

  function syncControls() {
    if (drillSelect.options.length !== state.drills.length) {
      drillSelect.innerHTML = "";
      state.drills.forEach(function (n, i) {
        drillSelect.add(new Option(displayNames[names.indexOf(n)], String(i)));
      });
    }
    drillSelect.value = String(state.drill);
    speedSelect.value = String(state.speed);
  }

  function saveSettings() {
    writeStore({ drills: state.drills, speed: state.speed });
  }

  function fullScreen() {
    if (document.fullscreenElement) document.exitFullscreen();
    else if (document.documentElement.requestFullscreen) document.documentElement.requestFullscreen();
  }

  // Keys go to the viewer's command table by their KeyboardEvent.key name.
  function onKey(e) {
    if (e.ctrlKey || e.altKey || e.metaKey) return;
    if (e.target.tagName === "SELECT" && e.key !== "Tab" && e.key !== " ") return;
    var result = 0;
    actWith(function () {
      result = Module.key(e.key, e.repeat, showHelp, showCommands);
    });
    // Escape is the browser's (it leaves full screen); a page cannot quit.
    if (settle(result) & RAN && e.key !== "Escape") e.preventDefault();
  }

  // Pointer and touch alike: a tap on the timeline seeks, on the command list
  // jumps, anywhere else pauses or resumes; a horizontal swipe steps.
  var down = null;
  function onPointerDown(e) {
    down = { x: e.clientX, y: e.clientY };
  }
  function onPointerUp(e) {
    if (!down) return;
    var dx = e.clientX - down.x;
    var dy = e.clientY - down.y;
    down = null;
    if (Math.abs(dx) >= SWIPE_CSS_PX && Math.abs(dx) > 2 * Math.abs(dy)) {
      act(dx < 0 ? "step-forward" : "step-back");
      return;
    }
    var dpr = window.devicePixelRatio || 1;
    var r = overlayCanvas.getBoundingClientRect();
    var x = Math.floor((e.clientX - r.left) * dpr);
    var y = Math.floor((e.clientY - r.top) * dpr);
    actWith(function () {
      if (_mk_click(x, y, captionLine(), showHelp, showCommands) === 0) {
        Module.command("toggle-play", 0, showHelp, showCommands);
      }
    });
  }

  var resizeTimer = 0;
  function onResize() {
    clearTimeout(resizeTimer);
    resizeTimer = setTimeout(function () {
      var size = deviceSize();
      if (size.w === stageCanvas.width && size.h === stageCanvas.height) return;
      sizeCanvases(size);
      _mk_resize(size.w, size.h);
      start();
    }, 150);
  }

  // The viewer's clock starts at 0 with each viewer.
  function start() {
    origin = performance.now();
    present(true);
    drawText();
    schedule(_mk_advance(0));
  }

  function open(s) {
    var size = deviceSize();
    sizeCanvases(size);
    var at = s.at || { drill: 0, keyframe: -1 };
    _mk_open(size.w, size.h, s.mask, at.drill, at.keyframe, s.speed, 1);
    start();
  }

  Module.onRuntimeInitialized = function () {
    Module.drills().forEach(function (d) {
      names.push(d.name);
      displayNames.push(d.displayName);
    });
    var s = settings();
    names.forEach(function (n, i) {
      var label = document.createElement("label");
      var box = document.createElement("input");
      box.type = "checkbox";
      box.value = n;
      box.checked = !!(s.mask & (1 << i));
      box.addEventListener("change", function () {
        var chosen = Array.prototype.filter.call(choice.querySelectorAll("input"),
          function (b) { return b.checked; }).map(function (b) { return b.value; });
        if (chosen.length === 0) { box.checked = true; return; }
        writeStore({ drills: chosen, speed: state.speed });
        open({ mask: drillMask(chosen), speed: state.speed, at: null });
      });
      label.appendChild(box);
      label.appendChild(document.createTextNode(" " + displayNames[i]));
      choice.appendChild(label);
    });
    drillSelect.addEventListener("change", function () { act("select-drill", +drillSelect.value); });
    speedSelect.addEventListener("change", function () { act("set-speed", +speedSelect.value); });
    document.getElementById("commands").addEventListener("click", function () { act("command-list"); });
    document.getElementById("help").addEventListener("click", function () { act("help"); });
    document.getElementById("full").addEventListener("click", function () { act("full-screen"); });
    // A clicked button keeps no focus, so that Space stays play and pause.
    bar.addEventListener("click", function (e) { if (e.target.tagName === "BUTTON") e.target.blur(); });
    document.addEventListener("keydown", onKey);
    overlayCanvas.addEventListener("pointerdown", onPointerDown);
    overlayCanvas.addEventListener("pointerup", onPointerUp);
    window.addEventListener("resize", onResize);
    document.getElementById("message").hidden = true;
    bar.hidden = false;
    open(s);
    // For tests and the benchmark: where the viewer is, and the ticks' cost.
    window.mirukado = {
      state: function () { return Module.state(); },
      overlay: function () { return overlay; },
      ticks: ticks,
      timerRunning: function () { return timer !== 0; }
    };
  };
})();
