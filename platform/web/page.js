// The page around the WebAssembly viewer: the clock (setTimeout on the delay
// each tick returns, no timer while paused), the drill's canvas (changed
// rectangles put with putImageData at device pixels) sized to the area the
// page's layout leaves it, the teaching picture's people on a canvas above it,
// the caption, legend, timeline, status and sheets as the page's own elements,
// keys, pointer and touch, and the settings kept in localStorage and
// overridden from the address.
// Appended to Emscripten's loader (--post-js), so it sees the module's exports.

(function () {
  "use strict";

  // A Japanese Gothic stack: the desktop's MS PGothic, its metric twin on
  // Linux, then what phones and Macs have.
  var FONT = '"MS PGothic", "ＭＳ Ｐゴシック", "IPAPGothic", "Hiragino Kaku Gothic ProN", ' +
    '"Noto Sans CJK JP", "Noto Sans JP", "Yu Gothic", Meiryo, sans-serif';
  var STORE = "mirukado";
  // The learner's progress: the desktop viewers' record, kept by the module.
  var PROGRESS = STORE + ".progress";
  var DRILL_STORE = STORE + ".drill.";
  // The settings' layout: 1 (no number) kept the drills' roles and scores
  // among them, 2 gave each drill a key, 3 leaves progress to the record.
  var STORE_FORMAT = 3;
  // ?role= values that are no position: none given, and one that is no
  // number (followed as none, never remembered).
  var NO_ADDRESS_ROLE = -2, BAD_ADDRESS_ROLE = -1;
  // Address values, slowest first, as the speeds play: the fastest divides
  // durations by 10. "3", the saver's name for it, still opens it.
  var SPEEDS = ["0.25", "0.5", "1", "2", "10"];
  var SAVER_SPEED_THREE = "3";
  var DEFAULT_SPEED = 2;                         // speed 1
  var SWIPE_CSS_PX = 40;                         // a horizontal move this long steps
  var RESIZE_SETTLE_MS = 150;                    // a new viewer once the size holds still
  var MS_PER_SECOND = 1000;
  var SECONDS_PER_MINUTE = 60;
  // What mk_key and mk_command report, bit by bit.
  var RAN = 1, SETTINGS_CHANGED = 2, FULL_SCREEN = 4, HELP_OPEN = 16, COMMANDS_OPEN = 32;
  // What mk_state_changes reports.
  var CAPTION_CHANGED = 1, CONTROLS_CHANGED = 2, FIGURES_CHANGED = 4, LEARNER_CHANGED = 8;
  // mk_open's look: the teaching picture, its light theme.
  var TEACHING_LOOK = 1, LIGHT_LOOK = 2;
  var THEMES = ["dark", "light"];
  // The help card on a touch screen: what fingers do. A keyboard's card is the
  // viewer command table's, from the module.
  var TOUCH_HELP = [
    ["タップ", "再生／一時停止"],
    ["左右にスワイプ", "1コマ戻る／進む"],
    ["タイムライン", "タップ・ドラッグでその時点へ"],
    ["号令", "号令一覧：選んだ号令へ移動"],
    ["訓練・選択", "見る訓練を切り替え・選ぶ"],
    ["×¼〜×10", "再生の速さ"],
    ["◐", "明るい画面／暗い画面"],
    ["役", "覚える役を選ぶ：その役の号令と動き"],
    ["練習", "号令・動きの前で止まる：タップで答え"]
  ];
  var PLAY_ICON = '<svg viewBox="0 0 24 24" aria-hidden="true"><path d="M7 4l13 8-13 8z"/></svg>';
  var PAUSE_ICON = '<svg viewBox="0 0 24 24" aria-hidden="true"><path d="M6 4h4v16H6zm8 0h4v16h-4z"/></svg>';
  var ASK_NUMBER = 64, TOGGLE_THEME = 128;
  var NO_POSITION = -1;
  // The speeds' factors, as the speed control lists them: the spoken command
  // must be over before the next one comes at the speed played.
  var SPEED_FACTORS = [0.25, 0.5, 1, 2, 10];
  // A Japanese voice says about seven morae a second; a kana or kanji of a
  // command is taken as one, which errs on the long side for kanji readings.
  var SPOKEN_MS_PER_CHARACTER = 150;
  // The benchmark's ticks: a whole drill at the fastest speed is a few thousand.
  var MOST_TICKS_KEPT = 100000;

  function $(id) { return document.getElementById(id); }
  var stageCanvas = $("stage");
  var stageCtx = stageCanvas.getContext("2d", { alpha: false, desynchronized: true });
  var figuresCanvas = $("figures");
  var figuresCtx = figuresCanvas.getContext("2d");
  var measureCtx = document.createElement("canvas").getContext("2d");
  var area = $("area");
  var captionBox = $("caption");
  var legendBox = $("legend");
  var legendClicks = window.matchMedia("(pointer: fine)").matches;  // a mouse or touchpad
  var themeButton = $("theme");
  var dock = $("dock");
  var sheet = $("sheet");
  var commandList = $("command-list");
  var helpList = $("help-list");
  var timelineBox = $("timeline");
  var loopBox = $("loop");
  var progressBox = $("progress");
  var knob = $("knob");
  var timeBox = $("time");
  var playButton = $("play");
  var drillSelect = $("drill");
  var speedSelect = $("speed");
  var choice = $("choice");
  var roleSelect = $("role");
  var practiceBox = $("practice");
  var speakButton = $("speak");

  // The stage's caption-font fitting asks every host for the line height at
  // `px` pixels: the font box's ascent plus descent, whole pixels. The page
  // shows the caption in its own element, so this only keeps the stage's
  // layout the same as the desktop's.
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
  var timer = 0;
  var showHelp = false;
  var showCommands = false;
  var state = null;
  var fresh = true;      // a new viewer: everything shown is drawn again
  var timeline = null;   // the current drill's length and commands
  var timelineDrill = -1;
  // What the dock shows now, so that a tick touches only what changed.
  var shown = { elapsed: -1, seconds: -1, playing: null, current: -2, loopFrom: -2, loopTo: -2 };
  var firstFrame = 0;    // performance.now() when the drill was first put on the canvas
  var look = TEACHING_LOOK;  // how the drill is drawn (the address and the theme control)
  // ms of each timer tick, for the benchmark: through the stage's pixels
  // (stage), and with the caption and the dock (all). Kept only when the
  // address asks (?bench=ticks), and then at most so many: a screen left
  // playing for days would grow them without end.
  var ticks = { stage: [], all: [] };
  var keepTicks = false;
  var tickCount = 0;
  var learner = null;        // Module.learner() as last shown
  var addressRole = NO_ADDRESS_ROLE;  // ?role= for the first drill shown
  var practiceShown = null;  // the practice step last shown ("prompt", ...), null with none
  var speech = { voice: null, on: false };
  // The store as this visit found it: written by a newer page (then only
  // read), and the keys whose damaged value could not be kept aside.
  var store = { newer: false, stuck: {} };

  // What the page keeps in localStorage, one key per thing a tab changes on
  // its own, so that two tabs never overwrite each other's changes:
  //   "mirukado": the settings { format, theme, speed, drills, introClosed };
  //   "mirukado.progress": the learner's progress, exactly the text of the
  //     desktop viewers' file, read and written by the module's keeper
  //     through progressStore (each change merged into the value as stored
  //     then).
  // A settings write reads its key afresh and changes only what this tab changed.
  function isPlainObject(v) { return !!v && typeof v === "object" && !Array.isArray(v); }
  // The object under `key`, {} with none. A value that is no object (damaged,
  // or written by something else) is copied to KEY.bad-DATE, so that it is
  // never lost, and the key starts afresh; where there is no room for the
  // copy, the key is left as it is and not written this visit. Storage a
  // newer page wrote is only read.
  function readKey(key) {
    var raw = null;
    try {
      raw = localStorage.getItem(key);
    } catch (e) { /* no storage: nothing kept */ }
    if (raw === null) return {};
    var value;
    try {
      value = JSON.parse(raw);
    } catch (e) { /* damaged: kept aside below */ }
    if (isPlainObject(value)) return value;
    if (store.newer || store.stuck[key]) return {};
    try {
      localStorage.setItem(key + ".bad-" + new Date().toISOString(), raw);
      localStorage.removeItem(key);
    } catch (e) {
      store.stuck[key] = true;
    }
    return {};
  }
  function writeKey(key, change) {
    if (store.newer || store.stuck[key]) return;
    var value = readKey(key);
    if (store.stuck[key]) return;
    change(value);
    try {
      localStorage.setItem(key, JSON.stringify(value));
    } catch (e) { /* private mode or no room: the change lasts this visit */ }
  }
  function readStore() { return readKey(STORE); }
  function writeStore(changes) {
    writeKey(STORE, function (s) {
      Object.keys(changes).forEach(function (k) { s[k] = changes[k]; });
      s.format = STORE_FORMAT;
    });
  }

  // The progress record's key as the module's store sees it (LocalStore in
  // web_host.cpp): no call lets a storage error through.
  var progressStore = {
    // The text, null with none, false when storage cannot be read.
    read: function () {
      try {
        return localStorage.getItem(PROGRESS);
      } catch (e) {
        return false;
      }
    },
    // "" once written, else the error's name (no room, no storage).
    write: function (text) {
      try {
        localStorage.setItem(PROGRESS, text);
        return "";
      } catch (e) {
        return String((e && e.name) || e || "Error");
      }
    },
    // The value as stored, copied to a key of its own before a fresh record
    // replaces it: that key's name, "" when it could not be copied.
    setAside: function () {
      try {
        var key = PROGRESS + ".bad-" + new Date().toISOString();
        localStorage.setItem(key, localStorage.getItem(PROGRESS));
        return key;
      } catch (e) {
        return "";
      }
    }
  };

  // Progress as earlier pages kept it, for the module to carry into the
  // record: each drill's key "mirukado.drill.NAME" { role: n, scores: { n:
  // [known, asked] } }, then, older, the settings' { roles: { drill: n },
  // scores: { "drill n": [known, asked] } }. The values go as stored, the
  // more recent store first; the module keeps what the record can hold. A
  // drill's key that is no object is not read, and stays where it is.
  function earlierProgress(settings) {
    var earlier = { found: [], keys: [], inSettings: "roles" in settings || "scores" in settings };
    var scoreList = function (scores, position) {
      var list = [];
      if (isPlainObject(scores)) Object.keys(scores).forEach(function (k) {
        var n = position(k);
        var score = scores[k];
        if (n !== null && Array.isArray(score) && score.length === 2) list.push([n, score[0], score[1]]);
      });
      return list;
    };
    names.forEach(function (drill) {
      var d = null;
      try {
        var raw = localStorage.getItem(DRILL_STORE + drill);
        if (raw !== null) d = JSON.parse(raw);
      } catch (e) { /* unreadable or damaged: left as it is */ }
      if (!isPlainObject(d)) return;
      earlier.keys.push(DRILL_STORE + drill);
      earlier.found.push({ drill: drill, role: d.role, scores: scoreList(d.scores, function (k) {
        return /^\d{1,3}$/.test(k) ? +k : null;
      }) });
    });
    if (!earlier.inSettings) return earlier;
    var roles = isPlainObject(settings.roles) ? settings.roles : {};
    names.forEach(function (drill) {
      earlier.found.push({ drill: drill, role: roles[drill], scores: scoreList(settings.scores, function (k) {
        var m = /^([a-z]+) (\d{1,3})$/.exec(k);
        return m && m[1] === drill ? +m[2] : null;
      }) });
    });
    return earlier;
  }

  // Before anything reads the settings or the progress: a newer page's
  // settings are only read; the module's keeper starts on the record and
  // carries in what earlier pages kept, whose keys go only once the record
  // holds it.
  function startStore() {
    var s = readStore();
    store.newer = typeof s.format === "number" && s.format > STORE_FORMAT;
    var earlier = store.newer ? { found: [], keys: [], inSettings: false } : earlierProgress(s);
    if (!Module.startProgress(progressStore, earlier.found)) return;
    earlier.keys.forEach(function (k) {
      try {
        localStorage.removeItem(k);
      } catch (e) { /* the record holds it: carried again harmlessly next time */ }
    });
    if (earlier.inSettings)
      writeKey(STORE, function (t) {
        delete t.roles;
        delete t.scores;
        t.format = STORE_FORMAT;
      });
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
    var s = { mask: (1 << names.length) - 1, speed: DEFAULT_SPEED, at: null, theme: "dark",
      teaching: q.get("view") !== "saver" };
    if (THEMES.indexOf(stored.theme) >= 0) s.theme = stored.theme;
    if (THEMES.indexOf(q.get("theme")) >= 0) s.theme = q.get("theme");
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
    // A position by its number (0 the commander); anything else is no
    // position for this visit, and never replaces the one remembered.
    s.role = NO_ADDRESS_ROLE;
    if (q.has("role"))
      s.role = /^\d{1,3}$/.test(q.get("role").trim()) ? parseInt(q.get("role"), 10) : BAD_ADDRESS_ROLE;
    s.benchTicks = q.get("bench") === "ticks";
    s.practice = q.get("practice") === "1";
    return s;
  }

  // The drill's area in device pixels: the canvas's pixels are device pixels
  // (its CSS size is the pixel size over the ratio), so one stage pixel is
  // one device pixel and lines stay sharp.
  function areaSize() {
    var dpr = window.devicePixelRatio || 1;
    var r = area.getBoundingClientRect();
    return { dpr: dpr, w: Math.max(1, Math.floor(r.width * dpr)), h: Math.max(1, Math.floor(r.height * dpr)) };
  }
  function sizeCanvas(size) {
    [stageCanvas, figuresCanvas].forEach(function (c) {
      c.width = size.w;
      c.height = size.h;
      c.style.width = size.w / size.dpr + "px";
      c.style.height = size.h / size.dpr + "px";
    });
  }

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
    if (!firstFrame) firstFrame = performance.now();
  }

  function schedule(delay) {
    if (timer) clearTimeout(timer);
    timer = delay >= 0 ? setTimeout(tick, delay) : 0;
  }

  function tick() {
    timer = 0;
    var t0 = performance.now();
    var delay = _mk_advance();
    present(false);
    var t1 = performance.now();
    update();
    var t2 = performance.now();
    ++tickCount;
    if (keepTicks && ticks.all.length < MOST_TICKS_KEPT) {
      ticks.stage.push(t1 - t0);
      ticks.all.push(t2 - t0);
    }
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
  // One sheet at a time: the one just opened replaces the other.
  function settle(result) {
    var help = !!(result & HELP_OPEN);
    var commands = !!(result & COMMANDS_OPEN);
    if (help && commands) {
      if (showHelp) help = false;
      else commands = false;
    }
    var changed = help !== showHelp || commands !== showCommands;
    showHelp = help;
    showCommands = commands;
    if (result & SETTINGS_CHANGED) writeStore({ speed: state.speed });
    if (result & FULL_SCREEN) fullScreen();
    if (changed) showSheet();
    // After the key's own event is done: the browser's prompt blocks the page.
    if (result & ASK_NUMBER) setTimeout(askCommandNumber, 0);
    // The theme key does what the ◐ button does (nothing in the saver's picture).
    if ((result & TOGGLE_THEME) && (look & TEACHING_LOOK))
      setTimeout(function () { setTheme(look & LIGHT_LOOK ? "dark" : "light"); }, 0);
    return result;
  }
  function actWith(run) {
    _mk_advance();
    run();
    var delay = _mk_advance();
    present(false);
    update();
    schedule(delay);
  }

  // --- the text around the drill ---

  // The caption, the controls and the dock, each touched only when what it
  // shows changed: most ticks move the timeline's position and nothing else.
  function update() {
    var s = _mk_state_changes();
    if (fresh || s) state = Module.state();
    if (fresh || s & CONTROLS_CHANGED) {
      syncControls();
      captionBox.dataset.idle = displayNames[names.indexOf(state.drills[state.drill])];
      fillLegend();
    }
    var learnerChanged = fresh || s & LEARNER_CHANGED;
    if (learnerChanged) learner = Module.learner();
    if (fresh || state.drill !== timelineDrill) loadTimeline();
    if (learnerChanged) showLearner();
    if (fresh || s & (CAPTION_CHANGED | LEARNER_CHANGED)) showCaption();
    if (fresh || s & (FIGURES_CHANGED | LEARNER_CHANGED)) drawFigures();
    fresh = false;
    updateDock();
  }

  // --- learning a position ---

  // The learner's control (the module remembers the choice).
  function choosePosition(n) {
    actWith(function () { _mk_choose(n); });
  }

  // The caption, but while practice asks: the prompt instead of the coming
  // command, and once revealed the call asked for.
  function showCaption() {
    var p = learner && learner.practice;
    var asking = p && p.state === "prompt";
    captionBox.classList.toggle("prompt", !!asking);
    captionBox.textContent = asking ? p.prompt : p && p.state === "revealed" && p.answer ? p.answer : state.caption;
  }

  function showLearner() {
    var l = learner;
    var drill = state.drills[state.drill];
    var following = l.position >= 0;
    if (roleSelect.options.length !== l.positions.length + 1 || roleSelect.dataset.drill !== drill) {
      roleSelect.replaceChildren(new Option("役：なし", String(NO_POSITION)));
      l.positions.forEach(function (name, i) { roleSelect.add(new Option(name, String(i))); });
      roleSelect.dataset.drill = drill;
    }
    roleSelect.value = String(l.position);
    markLegend();
    ["previous-call", "next-call", "whole-path"].forEach(function (id) { $(id).hidden = !following; });
    $("whole-path").setAttribute("aria-pressed", String(l.wholePath));
    $("practice-button").setAttribute("aria-pressed", String(!!l.practice));
    showMine();
    showPractice();
    showLast();
  }
  // The followed position's last score, as the module's keeper has it, and
  // why progress is not being kept, when it is not.
  function showLast() {
    var last = learner.previous;
    $("last").textContent = last ? "前回 " + last.known + "/" + last.asked : "";
    var notice = $("progress-notice");
    notice.textContent = notice.title = learner.progressNotice;
    notice.hidden = !learner.progressNotice;
  }

  // The command list's rows of the position (its calls and what it answers)
  // stand out; with "mine only" the others are left out.
  function showMine() {
    var l = learner;
    var mine = {};
    l.calls.concat(l.answers).forEach(function (i) { mine[i] = true; });
    var narrowed = l.position >= 0 && l.mineOnly;
    Array.prototype.forEach.call(commandList.children, function (row, i) {
      row.classList.toggle("mine", !!mine[i]);
      row.hidden = narrowed && !mine[i];
    });
    var toggle = $("mine-only");
    toggle.hidden = l.position < 0;
    // It says what a tap does: show every row, or only the position's.
    if (l.position >= 0) toggle.textContent = narrowed ? "全部を表示" : l.positions[l.position] + "だけ";
    toggle.setAttribute("aria-pressed", String(narrowed));
  }

  function showPractice() {
    var p = learner.practice;
    var was = practiceShown;
    practiceShown = p ? p.state : null;
    practiceBox.hidden = !p;
    if (!p) return;
    var last = learner.previous;
    var title = p.state === "finished" ? "結果 " + p.known + " / " + p.asked + " 覚えた"
      : learner.positions[learner.position] + "の練習 " + Math.min(p.asked + 1, p.items) + " / " + p.items;
    if (p.state !== "finished" && p.asked === 0 && last) title += "（前回 " + last.known + "/" + last.asked + "）";
    $("practice-title").textContent = title;
    var answer = $("practice-answer");
    answer.hidden = !(p.state === "revealed" && p.kind === "move");
    answer.textContent = "行き先：印の場所";
    var missed = $("practice-missed");
    missed.hidden = p.state !== "finished" || p.missed.length === 0;
    missed.replaceChildren();
    p.missed.forEach(function (m) {
      var li = document.createElement("li");
      li.textContent = m.kind === "call" ? m.text : moveName(m.keyframe - 1);
      missed.appendChild(li);
    });
    $("reveal").hidden = p.state !== "prompt";
    $("known").hidden = $("not-known").hidden = p.state !== "revealed";
    $("retry").hidden = p.state !== "finished" || p.missed.length === 0;
    $("practice-again").hidden = p.state !== "finished";
    // The reveal says the call, as the brigade would hear it.
    if (p.state === "revealed" && was === "prompt" && p.answer) speak(spokenText(p.answer));
  }

  // A move as a learner knows it: by the command it follows.
  function moveName(keyframe) {
    var after = null;
    timeline.commands.forEach(function (c) { if (c.keyframe <= keyframe) after = c; });
    return after ? "移動（" + after.text + "のあと）" : "移動（最初の号令の前）";
  }

  // --- hearing the commands ---

  // What a caption says, without who says it: the words inside each 「」, or
  // the plain text of a caption that names no speaker.
  function spokenText(text) {
    var said = [];
    var quoted = /「([^」]*)」?/g;
    var m;
    while ((m = quoted.exec(text))) if (m[1]) said.push(m[1]);
    return said.length ? said.join("、") : text;
  }
  function findVoice() {
    var synth = window.speechSynthesis;
    var voices = synth && typeof synth.getVoices === "function" ? synth.getVoices() || [] : [];
    speech.voice = null;
    for (var i = 0; i < voices.length && !speech.voice; ++i)
      if (/^ja([-_]JP)?$/i.test(voices[i].lang || "")) speech.voice = voices[i];
    speakButton.hidden = !speech.voice;
    if (!speech.voice) speech.on = false;
    speakButton.setAttribute("aria-pressed", String(speech.on));
  }
  function speak(text) {
    if (!speech.voice || !text) return;
    var synth = window.speechSynthesis;
    synth.cancel();
    var u = new SpeechSynthesisUtterance(text);
    u.voice = speech.voice;
    u.lang = "ja-JP";
    synth.speak(u);
  }
  // The command just heard while playing, unless the next one would come
  // before it could be said at this speed: half a command is no help.
  function speakCommand(current) {
    if (!speech.on || current < 0 || !timeline || _mk_playing() === 0) return;
    var commands = timeline.commands;
    var text = spokenText(commands[current].text);
    var next = commands[current + 1];
    var gap = next ? (next.ms - commands[current].ms) / SPEED_FACTORS[state.speed] : Infinity;
    if (text.length * SPOKEN_MS_PER_CHARACTER <= gap) speak(text);
  }

  // --- the teaching picture's people and legend ---

  function disc(x, y, r, colour) {
    figuresCtx.beginPath();
    figuresCtx.arc(x, y, r, 0, 2 * Math.PI);
    figuresCtx.fillStyle = colour;
    figuresCtx.fill();
  }

  // Everyone on the canvas above the drill with the followed position's
  // marks, as every viewer draws them: the core's discs and labels, in
  // order, drawn anew each time anyone moves or turns (at most once a keyframe).
  function drawFigures() {
    figuresCtx.clearRect(0, 0, figuresCanvas.width, figuresCanvas.height);
    var layer = Module.figureLayer();
    layer.items.forEach(function (d) {
      if (d.label === undefined) disc(d.x, d.y, d.r, d.c);
      else drawLabel(d);
    });
    // The practice card keeps to the half of the drill away from the
    // position, so that it never hides what is asked about.
    if (layer.watched) practiceBox.classList.toggle("top", layer.watched.y > figuresCanvas.height / 2);
  }

  function drawLabel(d) {
    figuresCtx.font = Math.max(1, Math.round(d.size)) + "px " + FONT;
    figuresCtx.textAlign = "center";
    figuresCtx.textBaseline = "alphabetic";
    var m = figuresCtx.measureText(d.label);
    // Centred on the ink, not on the font's box: digits sit on the baseline.
    figuresCtx.fillStyle = d.c;
    figuresCtx.fillText(d.label, d.x, d.y + (m.actualBoundingBoxAscent - m.actualBoundingBoxDescent) / 2);
  }

  // Who is who: a swatch in each position's colour and its name.
  function fillLegend() {
    var entries = Module.legend();
    legendBox.hidden = entries.length === 0;
    var row = document.createDocumentFragment();
    entries.forEach(function (e) {
      // With a mouse, a click on an entry follows its position (a squad's
      // members: the first of them); a click on the one followed follows no
      // one. A finger has the dock's choice, 44 px high: the legend's row
      // stays one line of text so as to leave the drill its height.
      var item = document.createElement(legendClicks ? "button" : "span");
      if (legendClicks) item.type = "button";
      item.dataset.first = e.first;
      item.dataset.last = e.last;
      var swatch = document.createElement("i");
      swatch.style.background = e.color;
      item.style.setProperty("--mark", e.color);
      item.appendChild(swatch);
      item.appendChild(document.createTextNode(e.label));
      if (legendClicks)
        item.addEventListener("click", function () {
          choosePosition(item.classList.contains("chosen") ? NO_POSITION : e.first);
        });
      row.appendChild(item);
    });
    legendBox.replaceChildren(row);
    markLegend();
  }
  // The followed position's entry is underlined in its colour (and pressed).
  function markLegend() {
    var position = learner ? learner.position : NO_POSITION;
    Array.prototype.forEach.call(legendBox.children, function (item) {
      var on = position >= +item.dataset.first && position <= +item.dataset.last;
      item.classList.toggle("chosen", on);
      if (legendClicks) item.setAttribute("aria-pressed", String(on));
    });
  }

  // The page's colours follow the picture's theme; the saver's picture is dark.
  function applyTheme(theme) {
    var light = theme === "light" && (look & TEACHING_LOOK);
    document.documentElement.dataset.theme = light ? "light" : "dark";
    themeButton.hidden = !(look & TEACHING_LOOK);
    themeButton.setAttribute("aria-pressed", String(!!light));
    var meta = document.querySelector('meta[name="theme-color"]');
    if (meta) meta.content = light ? "#ffffff" : "#000000";
  }
  function setTheme(theme) {
    look = (look & ~LIGHT_LOOK) | (theme === "light" ? LIGHT_LOOK : 0);
    applyTheme(theme);
    writeStore({ theme: theme });
    _mk_advance();
    _mk_set_look(look);
    start();
  }

  function clockText(ms) {
    var s = Math.floor(Math.max(0, ms) / MS_PER_SECOND);
    var seconds = s % SECONDS_PER_MINUTE;
    return Math.floor(s / SECONDS_PER_MINUTE) + (seconds < 10 ? ":0" : ":") + seconds;
  }
  function percent(ms) {
    return (100 * Math.min(1, Math.max(0, ms / Math.max(1, timeline.total)))) + "%";
  }

  // The drill's marks on the timeline and its command list, once per drill.
  function loadTimeline() {
    timeline = Module.timeline(state.drill);
    timelineDrill = state.drill;
    var marks = document.createDocumentFragment();
    var rows = document.createDocumentFragment();
    timeline.commands.forEach(function (c, i) {
      var mark = document.createElement("i");
      mark.style.left = percent(c.ms);
      marks.appendChild(mark);
      var row = document.createElement("li");
      var button = document.createElement("button");
      button.dataset.command = String(i);
      var time = document.createElement("span");
      time.textContent = clockText(c.ms);
      var text = document.createElement("span");
      text.textContent = c.text;
      button.appendChild(time);
      button.appendChild(text);
      row.appendChild(button);
      rows.appendChild(row);
    });
    $("marks").replaceChildren(marks);
    commandList.replaceChildren(rows);
    shown = { elapsed: -1, seconds: -1, playing: null, current: -2, loopFrom: -2, loopTo: -2 };
  }

  function updateDock() {
    var elapsed = _mk_elapsed();
    if (elapsed !== shown.elapsed) {
      shown.elapsed = elapsed;
      progressBox.style.width = knob.style.left = percent(elapsed);
      var seconds = Math.floor(elapsed / MS_PER_SECOND);
      if (seconds !== shown.seconds) {
        shown.seconds = seconds;
        timeBox.textContent = clockText(elapsed) + " / " + clockText(timeline.total);
      }
    }
    var playing = _mk_playing() !== 0;
    if (playing !== shown.playing) {
      shown.playing = playing;
      playButton.innerHTML = playing ? PAUSE_ICON : PLAY_ICON;
    }
    var from = _mk_loop_from();
    var to = _mk_loop_to();
    if (from !== shown.loopFrom || to !== shown.loopTo) {
      shown.loopFrom = from;
      shown.loopTo = to;
      loopBox.hidden = from < 0;
      if (from >= 0) {
        loopBox.style.left = percent(from);
        loopBox.style.width = (100 * (to - from) / Math.max(1, timeline.total)) + "%";
      }
    }
    var current = _mk_current_command();
    if (current !== shown.current) {
      var was = commandList.children[shown.current];
      if (was) was.classList.remove("current");
      shown.current = current;
      speakCommand(current);
      var row = commandList.children[current];
      if (row) {
        row.classList.add("current");
        if (showCommands) row.scrollIntoView({ block: "nearest" });
      }
    }
  }

  // The caption's box is as tall as the longest caption of the chosen drills
  // needs at the page's width, so that a caption never changes the drill's
  // area (a new size is a new viewer) and a long one is never cut.
  function reserveCaption() {
    var width = captionBox.getBoundingClientRect().width + "px";
    var boxes = [];
    for (var d = 0; d < state.drills.length; ++d)
      Module.timeline(d).commands.forEach(function (c) {
        var box = document.createElement("div");
        box.className = "caption measure";
        box.style.width = width;
        box.textContent = c.text;
        boxes.push(box);
      });
    var holder = document.createDocumentFragment();
    boxes.forEach(function (b) { holder.appendChild(b); });
    document.body.appendChild(holder);
    var tallest = 0;
    boxes.forEach(function (b) { tallest = Math.max(tallest, b.offsetHeight); });
    boxes.forEach(function (b) { b.remove(); });
    captionBox.style.minHeight = tallest + "px";
  }

  function showSheet() {
    sheet.hidden = !showHelp && !showCommands;
    commandList.hidden = !showCommands;
    helpList.hidden = !showHelp;
    $("commands").setAttribute("aria-pressed", String(showCommands));
    $("help").setAttribute("aria-pressed", String(showHelp));
    if (showHelp) {
      if (!helpList.firstChild) fillHelp();  // made when first asked for, not before the first frame
      $("sheet-title").textContent = "使い方";
    }
    if (showCommands) {
      $("sheet-title").textContent = "号令一覧";
      if (learner) showMine();
      var row = commandList.children[shown.current];
      if (row) row.scrollIntoView({ block: "center" });
    }
    // The drill's area changed: the resize observer fits the canvas to it.
  }

  // Fingers get the touch card, a keyboard and mouse the key card.
  function fillHelp() {
    var touch = window.matchMedia("(hover: none) and (pointer: coarse)").matches;
    var lines = touch ? TOUCH_HELP : Module.helpLines();
    var list = document.createDocumentFragment();
    lines.forEach(function (l) {
      var dt = document.createElement("dt");
      dt.textContent = l[0];
      var dd = document.createElement("dd");
      dd.textContent = l[1];
      list.appendChild(dt);
      list.appendChild(dd);
    });
    helpList.replaceChildren(list);
    helpList.dataset.kind = touch ? "touch" : "keys";
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

  function fullScreen() {
    if (document.fullscreenElement) document.exitFullscreen();
    else if (document.documentElement.requestFullscreen) document.documentElement.requestFullscreen();
  }

  // --- input ---

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

  // On the drill, pointer and touch alike: a tap pauses or resumes, a
  // horizontal swipe steps.
  var down = null;
  function onAreaDown(e) {
    if (practiceBox.contains(e.target)) return;  // the card's own buttons
    down = { x: e.clientX, y: e.clientY };
  }
  function onAreaUp(e) {
    if (!down) return;
    var dx = e.clientX - down.x;
    var dy = e.clientY - down.y;
    down = null;
    if (Math.abs(dx) >= SWIPE_CSS_PX && Math.abs(dx) > 2 * Math.abs(dy))
      act(dx < 0 ? "step-forward" : "step-back");
    else
      act("toggle-play");
  }

  // On the timeline: a tap seeks there, a drag follows the finger.
  var seeking = false;
  function seekTo(e) {
    var r = timelineBox.getBoundingClientRect();
    var along = Math.min(1, Math.max(0, (e.clientX - r.left) / Math.max(1, r.width)));
    act("seek-time", Math.round(along * timeline.total));
  }
  function onTimelineDown(e) {
    seeking = true;
    timelineBox.setPointerCapture(e.pointerId);
    seekTo(e);
  }
  function onTimelineMove(e) {
    if (seeking) seekTo(e);
  }
  function onTimelineUp() {
    seeking = false;
  }

  // A new size for the drill's area (the window, the heading, a sheet): a
  // new viewer at the area's pixels once the size holds still.
  var resizeTimer = 0;
  function onResize() {
    clearTimeout(resizeTimer);
    resizeTimer = setTimeout(function () {
      if (state) reserveCaption();
      var size = areaSize();
      if (size.w === stageCanvas.width && size.h === stageCanvas.height) return;
      sizeCanvas(size);
      _mk_resize(size.w, size.h);
      start();
    }, RESIZE_SETTLE_MS);
  }

  // A viewer made or made again: everything drawn anew. The module keeps
  // the time on the page's clock (performance.now()).
  function start() {
    fresh = true;
    present(true);
    update();
    schedule(_mk_advance());
  }

  function open(s) {
    var size = areaSize();
    sizeCanvas(size);
    var at = s.at || { drill: 0, keyframe: -1 };
    // The first drill shown follows the position the address asks for,
    // else the one remembered for it; a later viewer, the remembered one.
    _mk_open(size.w, size.h, s.mask, at.drill, at.keyframe, s.speed, 1, look, addressRole);
    addressRole = NO_ADDRESS_ROLE;
    state = Module.state();
    // The caption's room depends on the chosen drills' captions: when it
    // takes from the area, the viewer is made again at the area's size
    // before anything is drawn.
    reserveCaption();
    var fitted = areaSize();
    if (fitted.w !== size.w || fitted.h !== size.h) {
      sizeCanvas(fitted);
      _mk_resize(fitted.w, fitted.h);
    }
    start();
  }

  function buildChoice(s) {
    var list = choice.querySelector("div");
    names.forEach(function (n, i) {
      var label = document.createElement("label");
      var box = document.createElement("input");
      box.type = "checkbox";
      box.value = n;
      box.checked = !!(s.mask & (1 << i));
      box.addEventListener("change", function () {
        var chosen = Array.prototype.filter.call(list.querySelectorAll("input"),
          function (b) { return b.checked; }).map(function (b) { return b.value; });
        if (chosen.length === 0) { box.checked = true; return; }
        writeStore({ drills: chosen, speed: state.speed });
        open({ mask: drillMask(chosen), speed: state.speed, at: null });
      });
      label.appendChild(box);
      label.appendChild(document.createTextNode(displayNames[i]));
      list.appendChild(label);
    });
  }

  // The heading says what the page is on the first visit, until closed.
  function showIntro() {
    var intro = $("intro");
    if (readStore().introClosed === true) return;
    intro.hidden = false;
    $("intro-close").addEventListener("click", function () {
      intro.hidden = true;
      writeStore({ introClosed: true });
    });
  }

  Module.onRuntimeInitialized = function () {
    Module.drills().forEach(function (d) {
      names.push(d.name);
      displayNames.push(d.displayName);
    });
    startStore();
    var s = settings();
    keepTicks = s.benchTicks;
    look = (s.teaching ? TEACHING_LOOK : 0) | (s.theme === "light" ? LIGHT_LOOK : 0);
    applyTheme(s.theme);
    // The legend's row is there before the first viewer, which fits what it leaves.
    legendBox.hidden = !s.teaching;
    buildChoice(s);
    drillSelect.addEventListener("change", function () { act("select-drill", +drillSelect.value); });
    speedSelect.addEventListener("change", function () { act("set-speed", +speedSelect.value); });
    $("commands").addEventListener("click", function () { act("command-list"); });
    $("help").addEventListener("click", function () { act("help"); });
    $("sheet-close").addEventListener("click", function () { act(showHelp ? "help" : "command-list"); });
    $("full").addEventListener("click", function () { act("full-screen"); });
    themeButton.addEventListener("click", function () {
      setTheme(look & LIGHT_LOOK ? "dark" : "light");
    });
    $("full").hidden = !document.fullscreenEnabled;
    playButton.addEventListener("click", function () { act("toggle-play"); });
    commandList.addEventListener("click", function (e) {
      var button = e.target.closest("button");
      if (button) act("go-to-command", +button.dataset.command);
    });
    // A clicked button keeps no focus, so that Space stays play and pause.
    document.addEventListener("click", function (e) {
      var button = e.target.closest && e.target.closest("button");
      if (button) button.blur();
    });
    document.addEventListener("keydown", onKey);
    area.addEventListener("pointerdown", onAreaDown);
    area.addEventListener("pointerup", onAreaUp);
    area.addEventListener("pointercancel", function () { down = null; });
    timelineBox.addEventListener("pointerdown", onTimelineDown);
    timelineBox.addEventListener("pointermove", onTimelineMove);
    timelineBox.addEventListener("pointerup", onTimelineUp);
    timelineBox.addEventListener("pointercancel", onTimelineUp);
    $("message").hidden = true;
    dock.hidden = false;
    showIntro();
    roleSelect.addEventListener("change", function () { choosePosition(+roleSelect.value); });
    // A phone's row shows the start of the notice: a tap reads it whole.
    $("progress-notice").addEventListener("click", function () { window.alert(this.title); });
    [["previous-call", "previous-call"], ["next-call", "next-call"], ["whole-path", "whole-path"],
      ["practice-button", "practice"], ["mine-only", "mine-only"], ["reveal", "toggle-play"],
      ["known", "known"], ["not-known", "not-known"], ["retry", "known"], ["practice-end", "practice"]]
      .forEach(function (b) {
        $(b[0]).addEventListener("click", function () { act(b[1]); });
      });
    $("practice-again").addEventListener("click", function () {
      act("practice");
      act("practice");
    });
    speakButton.addEventListener("click", function () {
      speech.on = !speech.on;
      speakButton.setAttribute("aria-pressed", String(speech.on));
      if (!speech.on) window.speechSynthesis.cancel();
    });
    findVoice();
    // Voices arrive after the page in some browsers.
    if (window.speechSynthesis && window.speechSynthesis.addEventListener)
      window.speechSynthesis.addEventListener("voiceschanged", findVoice);
    addressRole = s.role;
    open(s);
    if (s.practice) act("practice");
    new ResizeObserver(onResize).observe(area);
    // For tests and the benchmark: where the viewer is, and the ticks' cost.
    window.mirukado = {
      state: function () { return Module.state(); },
      figures: function () { return Module.figures(); },
      learner: function () { return Module.learner(); },
      timeline: function () { return timeline; },
      ticks: ticks,
      tickCount: function () { return tickCount; },
      firstFrame: function () { return firstFrame; },
      timerRunning: function () { return timer !== 0; }
    };
  };
})();
