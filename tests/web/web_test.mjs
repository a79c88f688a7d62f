// The web page in headless chromium: it plays the drills on the canvas at the
// native raster window's pixels, answers the viewer's keys, pointer and touch,
// keeps its settings, and survives bad addresses and browsers without
// WebAssembly. Usage: node web_test.mjs SITE_DIR MIRUKADO_RENDER
import assert from "node:assert/strict";
import { execFileSync } from "node:child_process";
import { mkdtempSync, readdirSync, readFileSync, rmSync, statSync } from "node:fs";
import { tmpdir } from "node:os";
import { join } from "node:path";
import { after, before, describe, test } from "node:test";
import { chromium } from "playwright-core";
import { serve } from "../../scripts/serve_site.mjs";

const [site, render] = process.argv.slice(2);
const DESKTOP = { viewport: { width: 1280, height: 720 }, deviceScaleFactor: 1 };
const PHONE = { viewport: { width: 390, height: 844 }, deviceScaleFactor: 3, isMobile: true, hasTouch: true };

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

describe("the platoon drill on a desktop", () => {
  let p;
  before(async () => {
    p = await open("?drills=kiritu&speed=10");  // ×10, the saver's speed 3
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

  test("the text redrawn piece by piece while playing equals the text drawn afresh", async () => {
    const piecemeal = await snapshot(p.page, "overlay");
    await p.page.keyboard.press("?");
    // The help card, with no quit keys on a page: its lines fill it.
    const o = await p.page.evaluate(() => window.mirukado.overlay());
    assert.ok(o.helpLines.length > 0);
    assert.ok(o.helpLines.every(([keys]) => !/Esc|\bq\b/.test(keys)), JSON.stringify(o.helpLines));
    assert.equal(o.help[3], o.helpLines.length * o.bar[3] + 2 * Math.max(1, o.bar[3] >> 2));
    await p.page.keyboard.press("/");  // the other help key of the viewer command table
    assert.equal(await snapshot(p.page, "overlay"), piecemeal);
  });

  test("the stage and figures are the native raster window's pixels", async () => {
    const r = await compareWithNative(p.page);
    assert.deepEqual([r.width, r.height], [1280, 720]);
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
    const o = await p.page.evaluate(() => window.mirukado.overlay());
    assert.ok(o.shown);
    const [x, y, w, h] = o.bar;
    await p.page.mouse.click(x + w * 0.75, y + h / 2);
    const s = await state(p.page);
    assert.ok(Math.abs(s.elapsed / s.total - 0.75) < 0.01, `at ${s.elapsed} of ${s.total}`);
    assert.equal(s.playing, false);
    assert.equal((await compareWithNative(p.page)).differing, 0);
  });

  test("a resized window keeps the place and shows the new size's pixels", async () => {
    const before = await state(p.page);
    await p.page.setViewportSize({ width: 1000, height: 640 });
    await waitFor(p.page, () => document.getElementById("stage").width === 1000);
    const s = await state(p.page);
    assert.deepEqual([s.keyframe, s.playing], [before.keyframe, false]);
    const r = await compareWithNative(p.page);
    assert.deepEqual([r.width, r.height, r.differing], [1000, 640, 0]);
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
  const p = await open("?drills=kahan&at=kahan:285");  // keyframe 285, index 284
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
  const p = await open("?drills=kiritu&speed=3", PHONE);
  await waitFor(p.page, () => window.mirukado.state().keyframe >= 40);
  const size = await p.page.evaluate(() => {
    const c = document.getElementById("stage");
    return [c.width, c.height, c.getBoundingClientRect().width, c.getBoundingClientRect().height];
  });
  assert.deepEqual(size, [1170, 2532, 390, 844]);
  await p.page.touchscreen.tap(195, 300);
  const paused = await state(p.page);
  assert.equal(paused.playing, false);
  // The same pixels as the native window of 1170 x 2532: lines one device pixel wide.
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

test("a browser without WebAssembly gets one readable line", async () => {
  const p = await open("", DESKTOP, { ready: false, init: () => { delete window.WebAssembly; } });
  const text = await p.page.locator("#message").innerText();
  assert.match(text, /WebAssembly/);
  assert.equal(text.split("\n").length, 1);
  await p.context.close();
});
