// The web page in headless chromium: it plays the drills as the teaching
// picture (fitted and turned to the area, people in their positions' colours,
// the command that stays, dark and light), and as the saver's picture on the
// canvas at the native raster window's pixels; it answers the viewer's keys, pointer and touch,
// lays its caption, timeline, sheets and controls out on phones held either
// way, keeps its settings, and survives bad addresses, browsers without
// WebAssembly and being opened as a file. Usage: node web_test.mjs SITE_DIR MIRUKADO_RENDER
import assert from "node:assert/strict";
import { execFileSync } from "node:child_process";
import { mkdtempSync, readdirSync, readFileSync, rmSync, statSync } from "node:fs";
import { tmpdir } from "node:os";
import { join, resolve } from "node:path";
import { after, before, describe, test } from "node:test";
import { chromium } from "playwright-core";
import { serve } from "../../scripts/serve_site.mjs";

const [site, render] = process.argv.slice(2);
const DESKTOP = { viewport: { width: 1280, height: 720 }, deviceScaleFactor: 1 };
const PHONE = { viewport: { width: 390, height: 844 }, deviceScaleFactor: 3, isMobile: true, hasTouch: true };
const LANDSCAPE = { ...PHONE, viewport: { width: 844, height: 390 } };
const MIN_TOUCH_PX = 44;

let server;
let browser;
let base;
const scratch = mkdtempSync(join(tmpdir(), "mirukado-web-"));

before(async () => {
  server = await serve(site, 0);
  base = `http://127.0.0.1:${server.address().port}/`;
  browser = await chromium.launch({ executablePath: "/usr/bin/chromium", args: ["--no-sandbox"] });
});
after(async () => {
  await browser?.close();
  server?.close();
  rmSync(scratch, { recursive: true, force: true });
});

// A page at `query` with its console errors collected; resolves once the
// viewer runs (or, with `ready` false, once the document has loaded).
async function open(query, device = DESKTOP, { ready = true, init } = {}) {
  const context = await browser.newContext(device);
  const page = await context.newPage();
  const errors = [];
  page.on("console", (m) => m.type() === "error" && errors.push(m.text()));
  page.on("pageerror", (e) => errors.push(e.message));
  if (init) await page.addInitScript(init);
  await page.goto(base + query);
  if (ready) await page.waitForFunction(() => window.mirukado, null, { timeout: 30000 });
  return { page, context, errors };
}

const state = (page) => page.evaluate(() => window.mirukado.state());
// Once the drill's canvas has been fitted to its area (a new size settles
// before the viewer is made again): the canvas's device pixels.
const fitted = (page) =>
  page.waitForFunction(() => {
    const a = document.getElementById("area").getBoundingClientRect();
    const c = document.getElementById("stage");
    return c.width === Math.floor(a.width * devicePixelRatio) &&
      c.height === Math.floor(a.height * devicePixelRatio) && [c.width, c.height];
  }, null, { timeout: 30000 }).then((h) => h.jsonValue());
const waitFor = (page, fn, arg) => page.waitForFunction(fn, arg, { timeout: 30000 });
const snapshot = (page, canvas = "stage") =>
  page.evaluate((id) => {
    const c = document.getElementById(id);
    const d = c.getContext("2d").getImageData(0, 0, c.width, c.height).data;
    let h = 0;  // a hash is enough to tell two pictures apart
    for (let i = 0; i < d.length; ++i) h = (Math.imul(h, 31) + d[i]) | 0;
    return h;
  }, canvas);

// Compares the stage canvas with `mirukado-render frame` of the drill and
// keyframe the page shows, at the canvas's size, leaving out the caption's
// corner (the page draws captions with its own fonts). Returns the number of
// differing pixels and of distinct colours on the canvas.
async function compareWithNative(page) {
  const s = await state(page);
  const size = await page.evaluate(() => [document.getElementById("stage").width, document.getElementById("stage").height]);
  const png = join(scratch, "frame.png");
  // The tool numbers keyframes from 1; the page's state gives the index.
  execFileSync(render, ["frame", s.drills[s.drill], String(s.keyframe + 1), "--size", `${size[0]}x${size[1]}`, "-o", png]);
  const data = readFileSync(png).toString("base64");
  const caption = { x: s.captionLeft, h: 2 * Math.ceil(s.captionPoints * 20 / 15 * 1.5) };
  return page.evaluate(async ([data, caption]) => {
    const blob = await (await fetch("data:image/png;base64," + data)).blob();
    const bitmap = await createImageBitmap(blob, { colorSpaceConversion: "none", premultiplyAlpha: "none" });
    const c = document.getElementById("stage");
    const native = new OffscreenCanvas(c.width, c.height).getContext("2d");
    native.drawImage(bitmap, 0, 0);
    const a = c.getContext("2d").getImageData(0, 0, c.width, c.height).data;
    const b = native.getImageData(0, 0, c.width, c.height).data;
    let differing = 0;
    const colours = new Set();
    for (let y = 0; y < c.height; ++y)
      for (let x = 0; x < c.width; ++x) {
        const i = 4 * (y * c.width + x);
        colours.add(a[i] << 16 | a[i + 1] << 8 | a[i + 2]);
        if (x >= caption.x && y < caption.h) continue;
        if (a[i] !== b[i] || a[i + 1] !== b[i + 1] || a[i + 2] !== b[i + 2]) ++differing;
      }
    return { differing, colours: colours.size, width: bitmap.width, height: bitmap.height };
  }, [data, caption]);
}

describe("the platoon drill on a desktop, in the saver's picture", () => {
  let p;
  before(async () => {
    p = await open("?drills=kiritu&speed=10&view=saver");  // ×10, the saver's speed 3
    // Past the platoon's march-in, then Space.
    await waitFor(p.page, () => window.mirukado.state().keyframe >= 60);
    await p.page.keyboard.press("Space");
  });
  after(() => p.context.close());

  test("loads with no console error and plays the chosen drill", async () => {
    const s = await state(p.page);
    assert.deepEqual(s.drills, ["kiritu"]);
    assert.equal(s.speed, 4);
    assert.deepEqual(p.errors, []);
  });

  test("? and / toggle the key help card, with no quit keys on a page", async () => {
    await p.page.keyboard.press("?");
    assert.ok(await p.page.isVisible("#help-list"));
    assert.equal(await p.page.getAttribute("#help-list", "data-kind"), "keys");
    const keys = await p.page.locator("#help-list dt").allInnerTexts();
    assert.ok(keys.includes("Space"), JSON.stringify(keys));
    assert.ok(keys.every((k) => !/Esc|\bq\b/.test(k)), JSON.stringify(keys));
    await p.page.keyboard.press("/");  // the other help key of the viewer command table
    assert.equal(await p.page.isVisible("#sheet"), false);
  });

  test("the stage and figures are the native raster window's pixels", async () => {
    const size = await fitted(p.page);
    const r = await compareWithNative(p.page);
    assert.deepEqual([r.width, r.height], size);
    assert.ok(size[0] === 1280 && size[1] > 720 / 2, `the drill's area is ${size}`);
    assert.ok(r.colours >= 3, `only ${r.colours} colours: nothing drawn`);
    assert.equal(r.differing, 0);
  });

  test("Space pauses: no timer, the picture stays", async () => {
    const s = await state(p.page);
    assert.equal(s.playing, false);
    assert.equal(await p.page.evaluate(() => window.mirukado.timerRunning()), false);
    const first = await snapshot(p.page);
    await p.page.waitForTimeout(700);
    assert.equal(await snapshot(p.page), first);
    assert.equal((await state(p.page)).keyframe, s.keyframe);
  });

  test("→ steps one keyframe, still at the native pixels", async () => {
    const k = (await state(p.page)).keyframe;
    await p.page.keyboard.press("ArrowRight");
    const s = await state(p.page);
    assert.equal(s.keyframe, k + 1);
    assert.equal(s.playing, false);
    assert.equal((await compareWithNative(p.page)).differing, 0);
  });

  test("a click on the timeline seeks there", async () => {
    const { x, y, width, height } = await p.page.locator("#timeline").boundingBox();
    await p.page.mouse.click(x + width * 0.75, y + height / 2);
    const s = await state(p.page);
    assert.ok(Math.abs(s.elapsed / s.total - 0.75) < 0.01, `at ${s.elapsed} of ${s.total}`);
    assert.equal(s.playing, false);
    assert.equal((await compareWithNative(p.page)).differing, 0);
  });

  test("a resized window keeps the place and shows the new size's pixels", async () => {
    const before = await state(p.page);
    await p.page.setViewportSize({ width: 1000, height: 640 });
    await waitFor(p.page, () => document.getElementById("stage").width === 1000);
    const size = await fitted(p.page);
    const s = await state(p.page);
    assert.deepEqual([s.keyframe, s.playing], [before.keyframe, false]);
    const r = await compareWithNative(p.page);
    assert.deepEqual([r.width, r.height, r.differing], [...size, 0]);
  });
});

test("the site is three files within 600 KB", () => {
  const files = readdirSync(site).sort();
  assert.deepEqual(files, ["index.html", "mirukado.js", "mirukado.wasm"]);
  const bytes = files.reduce((n, f) => n + statSync(join(site, f)).size, 0);
  assert.ok(bytes <= 600 * 1024, `${bytes} bytes`);
});

test("g asks for a command's number and goes to the keyframe the tool lists for it", async () => {
  const p = await open("?drills=ponpu");
  await p.page.keyboard.press("Space");  // paused, the keyframe reached stays on screen
  p.page.once("dialog", (d) => d.accept("27"));
  await p.page.keyboard.press("g");
  const row = execFileSync(render, ["commands", "ponpu"]).toString().split("\n")[27].split("\t");
  assert.equal(row[0], "27");
  await waitFor(p.page, (k) => window.mirukado.state().keyframe === k, Number(row[1]) - 1);
  assert.deepEqual(p.errors, []);
  await p.context.close();
});

test("an address opens the portable-pump drill after its operation scene, playing", async () => {
  const p = await open("?drills=kahan&at=kahan:285&view=saver");  // keyframe 285, index 284
  const s = await state(p.page);
  assert.deepEqual(s.drills, ["kahan"]);
  assert.ok(s.keyframe >= 284 && s.keyframe < 290, `keyframe ${s.keyframe}`);
  assert.equal(s.playing, true);
  await p.page.keyboard.press("Space");
  assert.equal((await compareWithNative(p.page)).differing, 0);
  assert.deepEqual(p.errors, []);
  await p.context.close();
});

test("a phone plays at device pixels with one-pixel lines; tap pauses, swipe steps", async () => {
  const p = await open("?drills=kiritu&speed=3&view=saver", PHONE);
  await waitFor(p.page, () => window.mirukado.state().keyframe >= 40);
  const size = await fitted(p.page);
  assert.equal(size[0], 1170);
  await p.page.touchscreen.tap(195, 300);
  const paused = await state(p.page);
  assert.equal(paused.playing, false);
  // The same pixels as the native window of the area's device pixels: lines one device pixel wide.
  assert.equal((await compareWithNative(p.page)).differing, 0);
  const cdp = await p.context.newCDPSession(p.page);
  const touch = (type, x) =>
    cdp.send("Input.dispatchTouchEvent", { type, touchPoints: type === "touchEnd" ? [] : [{ x, y: 300 }] });
  await touch("touchStart", 300);
  await touch("touchMove", 200);
  await touch("touchMove", 120);
  await touch("touchEnd");
  assert.equal((await state(p.page)).keyframe, paused.keyframe + 1);
  assert.deepEqual(p.errors, []);
  await p.context.close();
});

// The stage canvas's ink: the box around every pixel not of the ground's
// colour (the top-left pixel's), and the share of the canvas that is ground.
const ink = (page) =>
  page.evaluate(() => {
    const c = document.getElementById("stage");
    const d = c.getContext("2d").getImageData(0, 0, c.width, c.height).data;
    const ground = [d[0], d[1], d[2]];
    let left = c.width, top = c.height, right = -1, bottom = -1, plain = 0;
    for (let y = 0; y < c.height; ++y)
      for (let x = 0; x < c.width; ++x) {
        const i = 4 * (y * c.width + x);
        if (d[i] === ground[0] && d[i + 1] === ground[1] && d[i + 2] === ground[2]) { ++plain; continue; }
        left = Math.min(left, x); right = Math.max(right, x);
        top = Math.min(top, y); bottom = Math.max(bottom, y);
      }
    return { ground, w: right - left + 1, h: bottom - top + 1, plainShare: plain / (c.width * c.height) };
  });
// The figures canvas's colour ("#rrggbb") inside each figure's body, on the
// side away from its facing disc and clear of its number.
const figureCentres = (page) =>
  page.evaluate(() => {
    const c = document.getElementById("figures");
    const ctx = c.getContext("2d");
    const hex = (v) => v.toString(16).padStart(2, "0");
    return window.mirukado.figures().map((f) => {
      const a = f.pose * Math.PI / 8;
      const x = f.x - Math.sin(a) * f.radius * 0.8;
      const y = f.y + Math.cos(a) * f.radius * 0.8;
      const d = ctx.getImageData(Math.floor(x), Math.floor(y), 1, 1).data;
      return { body: f.body, seen: "#" + hex(d[0]) + hex(d[1]) + hex(d[2]) };
    });
  });

describe("the teaching picture", () => {
  // The pump drill's hose runs far to one side: on an upright phone the
  // drill turns a quarter so that it fills the screen's length.
  for (const [name, device, upright] of [["an upright phone", PHONE, true], ["a desktop", DESKTOP, false]])
    test(`the pump drill fits ${name}${upright ? ", turned" : ""}`, async () => {
      const p = await open("?drills=ponpu&at=ponpu:150", device);
      await p.page.keyboard.press("Space");
      await fitted(p.page);
      const i = await ink(p.page);
      assert.equal((await state(p.page)).turned, upright);
      assert.equal(i.h > i.w, upright, `ink ${i.w} x ${i.h}`);
      assert.deepEqual(p.errors, []);
      await p.context.close();
    });

  test("each of the pump drill's five people is drawn in their position's colour, as the legend says", async () => {
    const p = await open("?drills=ponpu&at=ponpu:150", PHONE);
    await p.page.keyboard.press("Space");
    await fitted(p.page);
    const legend = await p.page.$$eval("#legend > *", (spans) =>
      spans.map((s) => [s.textContent, getComputedStyle(s.querySelector("i")).backgroundColor]));
    assert.deepEqual(legend.map((l) => l[0]), ["指揮者", "１番員", "２番員", "３番員", "４番員"]);
    const rgb = (hex) => `rgb(${[1, 3, 5].map((i) => parseInt(hex.slice(i, i + 2), 16)).join(", ")})`;
    // Drawn again when they move: a few keyframes on, the centres are theirs still.
    for (let step = 0; step < 2; ++step) {
      const centres = await figureCentres(p.page);
      assert.equal(centres.length, 5);
      assert.equal(new Set(centres.map((c) => c.body)).size, 5);
      for (const c of centres) assert.equal(c.seen, c.body);
      assert.deepEqual(new Set(centres.map((c) => rgb(c.body))), new Set(legend.map((l) => l[1])));
      for (let k = 0; k < 5; ++k) await p.page.keyboard.press("ArrowRight");
    }
    assert.deepEqual(p.errors, []);
    await p.context.close();
  });

  test("?theme=light is white ground, page too; the control turns it dark and is remembered", async () => {
    const p = await open("?drills=ponpu&at=ponpu:150&theme=light", PHONE);
    await p.page.keyboard.press("Space");
    await fitted(p.page);
    const { keyframe } = await state(p.page);
    const white = await ink(p.page);
    assert.deepEqual(white.ground, [255, 255, 255]);
    assert.ok(white.plainShare > 0.9, `${white.plainShare} of the canvas is white`);
    assert.equal(await p.page.evaluate(() => getComputedStyle(document.body).backgroundColor), "rgb(255, 255, 255)");
    await p.page.click("#theme");
    await waitFor(p.page, () => !window.mirukado.state().light);
    assert.deepEqual((await ink(p.page)).ground, [0, 0, 0]);
    assert.equal((await state(p.page)).keyframe, keyframe);  // a new theme keeps the place
    await p.page.goto(base + "?drills=ponpu");
    await waitFor(p.page, () => window.mirukado);
    assert.equal((await state(p.page)).light, false);
    assert.deepEqual(p.errors, []);
    await p.context.close();
  });

  // A command heard stays above the drill, however the learner moves on,
  // until the next one: the saver's caption leaves with its keyframe.
  test("the caption keeps the command while playing, paused, stepping and after a seek", async () => {
    const p = await open("?drills=ponpu&speed=0.25", DESKTOP);
    const t = await p.page.evaluate(() => window.mirukado.timeline());
    // A command with a few keyframes before the next one.
    const i = t.commands.findIndex((c, n) => n + 1 < t.commands.length && t.commands[n + 1].keyframe - c.keyframe >= 6);
    const { text, keyframe, ms } = t.commands[i];
    await p.page.goto(`${base}?drills=ponpu&speed=3&at=ponpu:${keyframe}`);
    await waitFor(p.page, (k) => window.mirukado && window.mirukado.state().keyframe >= k + 1, keyframe);
    await p.page.keyboard.press("Space");
    await p.page.waitForTimeout(700);
    const paused = await state(p.page);
    assert.ok(paused.keyframe + 1 < t.commands[i + 1].keyframe, `ran on to ${paused.keyframe}`);
    assert.equal(await p.page.textContent("#caption"), text);
    await p.page.keyboard.press("ArrowRight");
    assert.equal((await state(p.page)).keyframe, paused.keyframe + 1);
    assert.equal(await p.page.textContent("#caption"), text);
    const { x, y, width, height } = await p.page.locator("#timeline").boundingBox();
    const later = (ms + t.commands[i + 1].ms) / 2;
    await p.page.mouse.click(x + width * later / t.total, y + height / 2);
    assert.equal(await p.page.textContent("#caption"), text);
    assert.deepEqual(p.errors, []);
    await p.context.close();
  });
});

// The boxes a learner sees, in CSS pixels: the viewport, the caption (and
// whether its text is cut), the drill's area, the sheet, the dock and every
// control shown.
const layout = (page) =>
  page.evaluate(() => {
    const box = (e) => {
      const r = e.getBoundingClientRect();
      return { x: r.x, y: r.y, w: r.width, h: r.height, name: e.id || e.textContent.trim() };
    };
    const caption = document.getElementById("caption");
    const shown = (e) => e.getClientRects().length > 0 && getComputedStyle(e).visibility !== "hidden";
    return {
      viewport: { x: 0, y: 0, w: innerWidth, h: innerHeight },
      caption: { ...box(caption), cut: caption.scrollHeight > caption.clientHeight || caption.scrollWidth > caption.clientWidth },
      area: box(document.getElementById("area")),
      sheet: shown(document.getElementById("sheet")) ? box(document.getElementById("sheet")) : null,
      timeline: box(document.getElementById("timeline")),
      time: document.getElementById("time").textContent,
      controls: [...document.querySelectorAll("button, select, summary")].filter(shown).map(box),
    };
  });
const inside = (a, b) => a.x >= b.x && a.y >= b.y && a.x + a.w <= b.x + b.w + 0.5 && a.y + a.h <= b.y + b.h + 0.5;
const overlap = (a, b) => a.x < b.x + b.w && b.x < a.x + a.w && a.y < b.y + b.h && b.y < a.y + a.h;

for (const [held, device] of [["upright", PHONE], ["on its side", LANDSCAPE]])
  describe(`a phone held ${held}`, () => {
    let p;
    let longest;
    before(async () => {
      // The longest command of all the drills, opened paused where it is heard.
      p = await open("", device);
      longest = await p.page.evaluate(() => {
        const s = window.mirukado.state();
        let best = null;
        s.drills.forEach((name, d) => Module.timeline(d).commands.forEach((c) => {
          if (!best || c.text.length > best.text.length) best = { name, text: c.text, keyframe: c.keyframe };
        }));
        return best;
      });
      // `at=` counts keyframes from 1, the timeline from 0.
      await p.page.goto(`${base}?drills=${longest.name}&at=${longest.name}:${longest.keyframe + 1}&speed=0.25`);
      await waitFor(p.page, () => window.mirukado);
      await p.page.click("#play");
      await fitted(p.page);
    });
    after(() => p.context.close());

    test("the timeline and the status show, and every control is at least 44 px", async () => {
      const l = await layout(p.page);
      assert.ok(inside(l.timeline, l.viewport), JSON.stringify(l.timeline));
      assert.ok(l.timeline.w > l.viewport.w / 2);
      assert.match(l.time, /^\d+:\d\d \/ \d+:\d\d$/);
      const small = l.controls.filter((c) => c.w < MIN_TOUCH_PX || c.h < MIN_TOUCH_PX);
      assert.deepEqual(small, []);
      for (const c of l.controls) assert.ok(inside(c, l.viewport), `${c.name} off screen`);
    });

    test("the longest caption wraps inside the viewport, whole and clear of the controls", async () => {
      assert.equal(await p.page.textContent("#caption"), longest.text);
      const l = await layout(p.page);
      assert.ok(inside(l.caption, l.viewport), JSON.stringify(l.caption));
      assert.equal(l.caption.cut, false);
      assert.deepEqual(l.controls.filter((c) => overlap(c, l.caption)), []);
      assert.equal(overlap(l.caption, l.area), false);
    });

    test("号令 opens the command list as a sheet beside the drill; a row jumps there", async () => {
      await p.page.click("#commands");
      assert.ok(await p.page.isVisible("#command-list"));
      const l = await layout(p.page);
      assert.ok(l.sheet && inside(l.sheet, l.viewport), JSON.stringify(l.sheet));
      if (device === PHONE) assert.equal(l.sheet.w, l.viewport.w);
      assert.equal(overlap(l.sheet, l.area), false);
      // The drill's canvas is refitted to the area the sheet leaves.
      const size = await fitted(p.page);
      assert.ok(size[0] <= l.area.w * 3 && size[1] <= l.area.h * 3);
      const rows = p.page.locator("#command-list button");
      assert.equal(await rows.count(), (await p.page.evaluate(() => window.mirukado.timeline().commands.length)));
      assert.ok(await p.page.locator("#command-list .current").isVisible());
      await rows.nth(2).click();
      const target = await p.page.evaluate(() => window.mirukado.timeline().commands[2].keyframe);
      assert.equal((await state(p.page)).keyframe, target);
      await p.page.click("#sheet-close");
      assert.equal(await p.page.isVisible("#sheet"), false);
    });

    test("? opens the touch help card in the sheet, in place of the command list", async () => {
      await p.page.click("#commands");
      await p.page.click("#help");
      assert.ok(await p.page.isVisible("#help-list"));
      assert.equal(await p.page.isVisible("#command-list"), false);
      assert.equal(await p.page.getAttribute("#help-list", "data-kind"), "touch");
      assert.match(await p.page.textContent("#help-list"), /スワイプ.*タイムライン/s);
      const l = await layout(p.page);
      assert.ok(l.sheet && inside(l.sheet, l.viewport));
      await p.page.click("#help");
      assert.equal(await p.page.isVisible("#sheet"), false);
      assert.deepEqual(p.errors, []);
    });
  });

test("the heading says what the page is until it is closed", async () => {
  const p = await open("", PHONE);
  assert.match(await p.page.textContent("#intro"), /消防団.*アニメーション/);
  const { height } = await p.page.locator("#intro").boundingBox();
  assert.ok(height <= 2 * MIN_TOUCH_PX, `a ${height} px heading`);
  const area = (await layout(p.page)).area.h;
  await p.page.click("#intro-close");
  await p.page.reload();
  await waitFor(p.page, () => window.mirukado);
  assert.equal(await p.page.isVisible("#intro"), false);
  assert.ok((await layout(p.page)).area.h > area);  // the drill gets the room
  await p.context.close();
});

test("opened as a file, the page says in one line how to serve it", async () => {
  const p = await open("", PHONE, { ready: false });
  await p.page.goto("file://" + resolve(site, "index.html"));
  const text = await p.page.locator("#message").innerText();
  assert.match(text, /python3 -m http\.server/);
  assert.doesNotMatch(text, /読み込み中/);
  assert.equal(text.split("\n").length, 1);
  await p.context.close();
});

describe("settings", () => {
  const cases = [
    { name: "speed out of range", query: "?speed=9", drills: ["kiritu", "ponpu", "kahan"], speed: 2 },
    { name: "unknown drills", query: "?drills=nope,,x&speed=2", drills: ["kiritu", "ponpu", "kahan"], speed: 3 },
    { name: "one known among unknown", query: "?drills=zz,ponpu", drills: ["ponpu"], speed: 2 },
    { name: "at past the end", query: "?drills=kahan&at=kahan:99999", drills: ["kahan"], speed: 2 },
    { name: "at a drill not chosen", query: "?drills=kiritu&at=kahan:10", drills: ["kiritu"], speed: 2 },
    { name: "garbage", query: "?at=%%%&speed=&drills=%E3%81%82", drills: ["kiritu", "ponpu", "kahan"], speed: 2 },
  ];
  for (const c of cases)
    test(`a bad address still plays: ${c.name}`, async () => {
      const p = await open(c.query);
      const s = await state(p.page);
      assert.deepEqual(s.drills, c.drills);
      assert.equal(s.speed, c.speed);
      assert.ok(s.keyframe < 10, `opened at keyframe ${s.keyframe}`);
      await waitFor(p.page, (k) => window.mirukado.state().keyframe > k, s.keyframe);
      assert.deepEqual(p.errors, []);
      await p.context.close();
    });

  test("speed and drills kept in localStorage; the address overrides them", async () => {
    const p = await open("?drills=ponpu");
    await p.page.keyboard.press("3");
    await p.page.click("#choice summary");
    await p.page.check("#choice input[value=kahan]");
    await waitFor(p.page, () => window.mirukado.state().drills.length === 2);
    await p.page.goto(base);
    await waitFor(p.page, () => window.mirukado && window.mirukado.state().speed === 4);
    assert.deepEqual((await state(p.page)).drills, ["ponpu", "kahan"]);
    await p.page.goto(base + "?speed=1&drills=kiritu");
    await waitFor(p.page, () => window.mirukado && window.mirukado.state().speed === 2);
    assert.deepEqual((await state(p.page)).drills, ["kiritu"]);
    assert.deepEqual(p.errors, []);
    await p.context.close();
  });
});

describe("the page's storage", () => {
  // A further tab of the browser `context` (whose storage the tabs share) at
  // `query`, once its viewer runs.
  const visit = async (context, query, init) => {
    const page = await context.newPage();
    if (init) await page.addInitScript(init);
    await page.goto(base + query);
    await waitFor(page, () => window.mirukado);
    return page;
  };
  const followed = async (context, query) => {
    const page = await visit(context, query);
    const { position } = await page.evaluate(() => window.mirukado.learner());
    await page.close();
    return position;
  };
  const everything = (page) => page.evaluate(() =>
    Object.fromEntries(Object.keys(localStorage).sort().map((k) => [k, localStorage.getItem(k)])));
  // Seeds the storage once, before the first page of a context reads it.
  const seed = (entries) => `if (!sessionStorage.getItem("seeded")) {
    sessionStorage.setItem("seeded", "1");
    Object.entries(${JSON.stringify(entries)}).forEach(([k, v]) => localStorage.setItem(k, v));
  }`;
  const RECORD = "mirukado.progress";
  // The desktop viewers' file: its header, then "drill position n=known/asked...".
  const record = (...lines) => ["mirukado-progress 1", ...lines, ""].join("\n");

  test("a record the desktop wrote is followed and shows its 前回", async () => {
    const p = await open("?drills=ponpu", DESKTOP, { init: seed({ [RECORD]: record("ponpu 2 2=7/9") }) });
    assert.equal((await p.page.evaluate(() => window.mirukado.learner())).position, 2);
    assert.equal(await p.page.textContent("#last"), "前回 7/9");
    assert.equal(await p.page.isVisible("#progress-notice"), false);
    assert.deepEqual(p.errors, []);
    await p.context.close();
  });

  test("a finished practice, and each repeat round, writes the desktop's line", async () => {
    const p = await open("?drills=ponpu&role=2&practice=1&speed=10");
    // Marks every item asked (the first `missed` not known) until the card.
    const practise = async (missed) => {
      for (let i = 0; ; ++i) {
        await waitFor(p.page, () => ["prompt", "finished"].includes(window.mirukado.learner().practice.state));
        const { practice } = await p.page.evaluate(() => window.mirukado.learner());
        if (practice.state === "finished") return practice;
        await p.page.keyboard.press(i < missed ? "n" : "y");
        await waitFor(p.page, (n) => window.mirukado.learner().practice.asked > n, practice.asked);
      }
    };
    const first = await practise(1);
    assert.equal(first.known, first.asked - 1);
    const stored = () => p.page.evaluate((k) => localStorage.getItem(k), RECORD);
    assert.equal(await stored(), record(`ponpu 2 2=${first.known}/${first.asked}`));
    await p.page.click("#retry");
    const retried = await practise(0);
    assert.deepEqual([retried.known, retried.asked], [1, 1]);
    assert.equal(await stored(), record("ponpu 2 2=1/1"));
    // The card compares with the score the round replaced; the next visit shows the last.
    assert.equal(await p.page.textContent("#last"), `前回 ${first.known}/${first.asked}`);
    await p.page.goto(base + "?drills=ponpu");
    await waitFor(p.page, () => window.mirukado);
    assert.equal(await p.page.textContent("#last"), "前回 1/1");
    assert.deepEqual(p.errors, []);
    await p.context.close();
  });

  test("earlier pages' stores are carried into the record once, then removed", async () => {
    const earlier = {
      mirukado: '{"theme":"light","roles":{"kahan":1,"ponpu":4},"scores":{"kahan 1":[2,4],"ponpu 2":[1,9],"ponpu 3":[1e300,1e300]}}',
      "mirukado.drill.ponpu": '{"role":3,"scores":{"2":[7,9],"1":[5,4]}}',
      "mirukado.drill.kiritu": "[]",  // no store of a page's: left where it is
    };
    const cases = [
      // what the record held, what it holds after, whether the earlier keys went
      [null, record("kahan 1 1=2/4", "ponpu 3 2=7/9"), true],
      [record("ponpu - 1=1/1"), record("kahan 1 1=2/4", "ponpu - 1=1/1 2=7/9"), true],
      ["mirukado-progress 2\nponpu 1\n", "mirukado-progress 2\nponpu 1\n", false],  // a newer page's
    ];
    for (const [held, after, removed] of cases) {
      const entries = held === null ? earlier : { ...earlier, [RECORD]: held };
      const p = await open("?drills=ponpu", DESKTOP, { init: seed(entries) });
      const kept = await everything(p.page);
      assert.equal(kept[RECORD], after);
      assert.equal(kept["mirukado.drill.kiritu"], "[]");
      assert.equal("mirukado.drill.ponpu" in kept, !removed, held);
      assert.equal(/"roles"/.test(kept.mirukado), !removed, held);
      assert.match(kept.mirukado, /"theme":"light"/);
      assert.deepEqual(p.errors, []);
      await p.context.close();
    }
  });

  test("a damaged record is set aside before a fresh one, and the learner told", async () => {
    for (const raw of ["notes\n", '{"role":2}', "x".repeat(1100000)]) {
      const p = await open("?drills=ponpu", DESKTOP, { init: seed({ [RECORD]: raw }) });
      const kept = await everything(p.page);
      const aside = Object.keys(kept).filter((k) => k.startsWith(RECORD + ".bad-"));
      assert.equal(aside.length, 1, raw.slice(0, 20));
      assert.equal(kept[aside[0]], raw);
      assert.equal(kept[RECORD], record());
      assert.ok((await p.page.textContent("#progress-notice")).includes(aside[0]));
      assert.deepEqual(p.errors, []);
      await p.context.close();
    }
  });

  test("storage that cannot be read or written leaves the page running and says so", async () => {
    const failing = (method) => `Storage.prototype.${method} = function () { throw new DOMException("no", "QuotaExceededError"); }`;
    for (const [method, notice] of [["getItem", "読めません"], ["setItem", "保存できません"]]) {
      const p = await open("?drills=ponpu", DESKTOP, { init: failing(method) });
      await p.page.selectOption("#role", "2");
      assert.equal((await p.page.evaluate(() => window.mirukado.learner())).position, 2);
      assert.match(await p.page.textContent("#progress-notice"), new RegExp(notice));
      // Cut short on a narrow row, it is read whole with a tap.
      const said = new Promise((r) => p.page.once("dialog", (d) => { r(d.message()); d.dismiss(); }));
      await p.page.click("#progress-notice");
      assert.match(await said, new RegExp(notice));
      assert.deepEqual(p.errors, []);
      await p.context.close();
    }
  });

  test("a settings store that is no object is kept aside, and the page starts afresh and keeps its changes", async () => {
    for (const raw of ["[]", "null", "7", '"light"', '{"theme":']) {
      const context = await browser.newContext(DESKTOP);
      await (await visit(context, "?drills=ponpu")).evaluate((v) => localStorage.setItem("mirukado", v), raw);
      const page = await visit(context, "?drills=ponpu");
      await page.click("#theme");
      await page.selectOption("#role", "1");
      const again = await visit(context, "?drills=ponpu");
      assert.equal((await state(again)).light, true, raw);
      assert.equal((await again.evaluate(() => window.mirukado.learner())).position, 1, raw);
      const aside = Object.entries(await everything(again)).filter(([k]) => k.startsWith("mirukado.bad-"));
      assert.deepEqual(aside.map(([, v]) => v), [raw]);
      await context.close();
    }
  });

  test("what a newer page wrote is read and left as it is", async () => {
    const settings = JSON.stringify({ format: 99, theme: "light", later: [1] });
    const newer = "mirukado-progress 2\nponpu 3\n";
    for (const [key, raw] of [["mirukado", settings], [RECORD, newer]]) {
      const context = await browser.newContext(DESKTOP);
      await (await visit(context, "?drills=ponpu")).evaluate(([k, v]) => localStorage.setItem(k, v), [key, raw]);
      const page = await visit(context, "?drills=ponpu");
      assert.equal((await state(page)).light, key === "mirukado");
      await page.click("#theme");
      await page.selectOption("#role", "1");
      assert.equal((await everything(page))[key], raw);
      if (key === RECORD) assert.ok(await page.isVisible("#progress-notice"));
      await context.close();
    }
  });

  test("a position the address names badly is followed as none and never replaces the one remembered", async () => {
    const context = await browser.newContext(DESKTOP);
    await (await visit(context, "?drills=ponpu")).selectOption("#role", "3");
    for (const role of ["abc", "9", "-1", ""]) {
      assert.equal(await followed(context, `?drills=ponpu&role=${role}`), -1, role);
      assert.equal(await followed(context, "?drills=ponpu"), 3, role);
    }
    // One the drill has is the learner's choice.
    assert.equal(await followed(context, "?drills=ponpu&role=2"), 2);
    assert.equal(await followed(context, "?drills=ponpu"), 2);
    await context.close();
  });

  test("two tabs alternating changes on different drills keep both", async () => {
    // Each tab sees the store as it was when it opened and its own writes;
    // another tab's write reaches it only with its storage event, late, as
    // between a browser's processes.
    const lagging = () => {
      const seen = new Map(Object.keys(localStorage).map((k) => [k, localStorage.getItem(k)]));
      const { setItem, removeItem } = Storage.prototype;
      Storage.prototype.getItem = function (k) { return seen.has(k) ? seen.get(k) : null; };
      Storage.prototype.setItem = function (k, v) { seen.set(k, String(v)); setItem.call(this, k, v); };
      Storage.prototype.removeItem = function (k) { seen.delete(k); removeItem.call(this, k); };
      addEventListener("storage", (e) => e.key !== null && seen.set(e.key, e.newValue));
    };
    const context = await browser.newContext(DESKTOP);
    const tabs = [await visit(context, "?drills=ponpu", lagging), await visit(context, "?drills=kahan", lagging)];
    for (let round = 0; round < 3; ++round)
      for (const [i, tab] of tabs.entries()) {
        const other = tabs[1 - i];
        const before = await other.evaluate((k) => localStorage.getItem(k), RECORD);
        await tab.keyboard.press("r");
        // The other tab hears of it before it acts.
        const now = await tab.evaluate((k) => localStorage.getItem(k), RECORD);
        if (now !== before) await waitFor(other, ([k, v]) => localStorage.getItem(k) === v, [RECORD, now]);
      }
    const positions = await Promise.all(tabs.map((t) => t.evaluate(() => window.mirukado.learner().position)));
    assert.ok(positions.every((n) => n >= 0), JSON.stringify(positions));
    assert.deepEqual([await followed(context, "?drills=ponpu"), await followed(context, "?drills=kahan")], positions);
    await context.close();
  });

  test("a stored score the record cannot hold is not shown, in each store", async () => {
    const cases = [
      [{ mirukado: '{"scores":{"ponpu 2":[1e300,1e300]}}' }, ""],
      [{ "mirukado.drill.ponpu": '{"scores":{"2":[1e300,1e300]}}' }, ""],
      [{ "mirukado.drill.ponpu": '{"scores":{"2":[5,4]}}' }, ""],
      [{ [RECORD]: record("ponpu - 2=1000000/1000000") }, ""],
      [{ [RECORD]: record("ponpu - 2=5/4") }, ""],
      [{ [RECORD]: record("ponpu - 2=3/4") }, "前回 3/4"],
      [{ mirukado: '{"scores":{"ponpu 2":[7,9]}}', "mirukado.drill.ponpu": '{"scores":{"1":[3,4]}}' }, "前回 7/9"],
    ];
    for (const [entries, shown] of cases) {
      const p = await open("?drills=ponpu&role=2", DESKTOP, { init: seed(entries) });
      assert.equal(await p.page.textContent("#last"), shown, JSON.stringify(entries));
      assert.deepEqual(p.errors, []);
      await p.context.close();
    }
  });
});

test("a tick's cost is kept only when the benchmark asks", async () => {
  const TICKS = 300;
  for (const [query, kept] of [["", false], ["&bench=ticks", true]]) {
    const p = await open("?drills=kiritu&speed=10&view=saver" + query);
    await waitFor(p.page, (n) => window.mirukado.tickCount() >= n, TICKS);
    const { count, stage, all } = await p.page.evaluate(() => ({
      count: window.mirukado.tickCount(), stage: window.mirukado.ticks.stage.length, all: window.mirukado.ticks.all.length }));
    assert.deepEqual([stage, all], kept ? [count, count] : [0, 0], query);
    await p.context.close();
  }
});

test("a browser without WebAssembly gets one readable line", async () => {
  const p = await open("", DESKTOP, { ready: false, init: () => { delete window.WebAssembly; } });
  const text = await p.page.locator("#message").innerText();
  assert.match(text, /WebAssembly/);
  assert.equal(text.split("\n").length, 1);
  await p.context.close();
});

describe("learning a position", () => {
  // A browser's speech with the given voices; what it is asked to say lands
  // in window.spoken.
  const voices = (langs) => `(() => {
    window.spoken = [];
    window.SpeechSynthesisUtterance = function (text) { this.text = text; };
    Object.defineProperty(window, "speechSynthesis", { configurable: true, value: {
      getVoices: () => ${JSON.stringify(langs)}.map((lang) => ({ lang, name: lang })),
      speak: (u) => window.spoken.push(u.text), cancel() {}, addEventListener() {} } });
  })()`;
  const learner = (page) => page.evaluate(() => window.mirukado.learner());
  const asked = (page) => waitFor(page, () => window.mirukado.learner().practice?.state === "prompt");
  // A tap on the drill's middle, clear of the practice card at its top or bottom.
  const tapDrill = async (page) => {
    const box = await page.locator("#area").boundingBox();
    await page.mouse.click(box.x + box.width / 2, box.y + box.height / 2);
  };

  test("a practice address stops at the prompt with the caption hidden; a tap reveals the move", async () => {
    const p = await open("?drills=ponpu&role=2&practice=1&speed=10", PHONE);
    await asked(p.page);
    const l = await learner(p.page);
    assert.equal(l.position, 2);
    assert.equal(l.practice.kind, "move");
    assert.equal(await p.page.textContent("#caption"), "どこへ？");
    assert.ok(await p.page.$eval("#caption", (c) => c.classList.contains("prompt")));
    assert.equal(l.practice.destination, null);
    await tapDrill(p.page);
    await waitFor(p.page, () => window.mirukado.learner().practice.state === "revealed");
    assert.ok((await learner(p.page)).practice.destination, "the move's end is marked");
    assert.ok(await p.page.isVisible("#known"));
    await p.page.click("#not-known");
    await waitFor(p.page, () => window.mirukado.learner().practice.asked === 1);
    // Turned sideways, then the light theme: each a new viewer, the same session.
    await p.page.setViewportSize(LANDSCAPE.viewport);
    await waitFor(p.page, () => document.querySelector("#stage").width > document.querySelector("#stage").height);
    await p.page.click("#theme");
    await waitFor(p.page, () => document.documentElement.dataset.theme === "light");
    const kept = (await learner(p.page)).practice;
    assert.ok(kept && kept.asked === 1 && kept.known === 0, JSON.stringify(kept));
    assert.deepEqual(p.errors, []);
    await p.context.close();
  });

  test("with a Japanese voice the reveal says the call without its speaker; without one there is no control", async () => {
    for (const [langs, control] of [[["en-US", "ja-JP"], true], [["en-US"], false], [[], false]]) {
      const p = await open("?drills=ponpu&role=0&practice=1&speed=10", DESKTOP, { init: voices(langs) });
      assert.equal(await p.page.isVisible("#speak"), control, `voices ${langs}`);
      await asked(p.page);
      // The commander's first call comes after its first moves: those are not known yet.
      while ((await learner(p.page)).practice.kind === "move") {
        const before = (await learner(p.page)).practice.asked;
        await p.page.keyboard.press("n");
        await waitFor(p.page, (n) => {
          const q = window.mirukado.learner().practice;
          return q.asked > n && q.state === "prompt";
        }, before);
      }
      assert.equal(await p.page.textContent("#caption"), "あなたの号令は？");
      await p.page.keyboard.press(" ");
      await waitFor(p.page, () => window.mirukado.learner().practice.state === "revealed");
      assert.equal(await p.page.textContent("#caption"), "指揮者「集まれ」");
      assert.deepEqual(await p.page.evaluate(() => window.spoken), control ? ["集まれ"] : []);
      assert.deepEqual(p.errors, []);
      await p.context.close();
    }
  });

  test("played with the voice on, each command is said unless the next would cut it off", async () => {
    for (const on of [false, true]) {
      const p = await open("?drills=ponpu&speed=10", DESKTOP, { init: voices(["ja-JP"]) });
      if (on) await p.page.click("#speak");
      // Past the roll call, whose numbers come a tenth of a second apart at ×10.
      await waitFor(p.page, () => window.mirukado.state().elapsed > 20000);
      const spoken = await p.page.evaluate(() => window.spoken);
      const { elapsed } = await state(p.page);
      const heard = (await p.page.evaluate(() => window.mirukado.timeline())).commands
        .filter((c) => c.ms <= elapsed).length;
      if (!on) assert.deepEqual(spoken, []);
      else {
        assert.ok(spoken.includes("集まれ"), JSON.stringify(spoken));
        assert.ok(spoken.length < heard, `${spoken.length} said of ${heard}`);
        assert.ok(spoken.every((t) => !/番員|指揮者|「/.test(t)), JSON.stringify(spoken));
      }
      await p.context.close();
    }
  });

  test("the address's position falls back to none without a word, and the choice is kept per drill", async () => {
    const cases = [
      // address, stored, position followed
      ["?drills=ponpu&role=x", null, -1],
      ["?drills=ponpu&role=9", null, -1],   // the pump drill has no member 9
      ["?drills=ponpu&role=-1", null, -1],
      ["?drills=ponpu&role=0", null, 0],
      ["?drills=ponpu", { roles: { ponpu: 3 } }, 3],
      ["?drills=ponpu", { roles: { ponpu: "x" } }, -1],
      ["?drills=ponpu", { roles: [1, 2] }, -1],
      ["?drills=ponpu&role=2", { roles: { ponpu: 3 } }, 2],
    ];
    for (const [query, stored, want] of cases) {
      const init = stored && `localStorage.setItem("mirukado", ${JSON.stringify(JSON.stringify(stored))})`;
      const p = await open(query, DESKTOP, { init });
      assert.equal((await learner(p.page)).position, want, `${query} ${JSON.stringify(stored)}`);
      assert.equal(await p.page.inputValue("#role"), String(want));
      assert.deepEqual(p.errors, []);
      await p.context.close();
    }
    // A choice made on the page is there at the next visit.
    const p = await open("?drills=ponpu");
    await p.page.selectOption("#role", "1");
    await p.page.reload();
    await waitFor(p.page, () => window.mirukado);
    assert.equal((await learner(p.page)).position, 1);
    await p.context.close();
  });

  test("following: the figure haloed and the rest muted, its trail and path, its commands listed", async () => {
    const p = await open("?drills=ponpu&role=2&at=ponpu:18&speed=0.25", DESKTOP,
      { init: `localStorage.setItem("mirukado", '{"scores":{"ponpu 2":[7,9]}}')` });
    await p.page.keyboard.press(" ");
    const figures = await p.page.evaluate(() => window.mirukado.figures());
    assert.deepEqual(figures.filter((f) => f.highlighted).map((f) => f.label), ["2"]);
    assert.equal(figures.filter((f) => f.muted).length, figures.length - 1);
    assert.ok((await learner(p.page)).trail.length > 1);
    assert.equal((await learner(p.page)).path.length, 0);
    await p.page.keyboard.press("w");
    assert.ok((await learner(p.page)).path.length > 1);
    assert.equal(await p.page.textContent("#last"), "前回 7/9");
    // The list: all of it, as on the desktop; its toggle narrows it to the
    // position's rows and widens it again.
    await p.page.click("#commands");
    const shown = () => p.page.$$eval("#command-list li", (rows) => rows.filter((r) => !r.hidden).length);
    const all = (await p.page.evaluate(() => window.mirukado.timeline())).commands.length;
    assert.equal(await shown(), all);
    await p.page.click("#mine-only");
    const mine = await shown();
    assert.ok(mine > 0 && mine < all, `${mine} of ${all}`);
    await p.page.click("#mine-only");
    assert.equal(await shown(), all);
    // Next call: the command the playback comes to is one the position calls.
    await p.page.keyboard.press(".");
    const { caption } = await state(p.page);
    const { commands } = await p.page.evaluate(() => window.mirukado.timeline());
    const calls = (await learner(p.page)).calls.map((i) => commands[i].text);
    assert.ok(calls.includes(caption), caption);
    // The legend: member 2's entry pressed; a click on member 4's follows
    // them, a click on it again follows no one.
    const pressed = () => p.page.$$eval("#legend button[aria-pressed=true]", (b) => b.map((e) => e.textContent));
    assert.deepEqual(await pressed(), ["２番員"]);
    await p.page.click("#legend button:nth-child(5)");
    assert.equal((await learner(p.page)).position, 4);
    assert.deepEqual(await pressed(), ["４番員"]);
    await p.page.click("#legend button:nth-child(5)");
    assert.equal((await learner(p.page)).position, -1);
    assert.deepEqual(await pressed(), []);
    assert.deepEqual(p.errors, []);
    await p.context.close();
  });
});
