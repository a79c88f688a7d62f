// The web page's first drawn frame after navigation, in ms from the
// navigation's start, with Chromium's CPU slowed 4x (as a mid-range phone):
// the time of the first animation frame after the page first puts the drill's
// pixels on a canvas. Fresh browser context (no cache) per run; median of
// RUNS, on a phone upright and a desktop, as JSON (bench/web_first_frame.sh).
// Usage: node first_frame_bench.mjs SITE_DIR [RUNS]
import { chromium } from "playwright-core";
import { serve } from "../../scripts/serve_site.mjs";

const CPU_SLOWDOWN = 4;
const DEVICES = {
  phone: { viewport: { width: 390, height: 844 }, deviceScaleFactor: 3, isMobile: true, hasTouch: true },
  desktop: { viewport: { width: 1280, height: 800 }, deviceScaleFactor: 1 },
};
const runs = Number(process.argv[3] || 5);

// Wraps putImageData before the page's scripts run: it records nothing but
// the first call's next animation frame, so it measures any version of the page.
function watchFirstFrame() {
  const put = CanvasRenderingContext2D.prototype.putImageData;
  CanvasRenderingContext2D.prototype.putImageData = function (...args) {
    if (window.firstPut === undefined) {
      window.firstPut = performance.now();
      requestAnimationFrame((t) => { window.firstFrame = t; });
    }
    return put.apply(this, args);
  };
}

const server = await serve(process.argv[2], 0);
const browser = await chromium.launch({ executablePath: "/usr/bin/chromium", args: ["--no-sandbox"] });
const median = (xs) => xs.slice().sort((a, b) => a - b)[xs.length >> 1];
try {
  const out = {};
  for (const [name, device] of Object.entries(DEVICES)) {
    const times = [];
    for (let i = 0; i < runs; ++i) {
      const context = await browser.newContext(device);
      const page = await context.newPage();
      await page.addInitScript(watchFirstFrame);
      const cdp = await context.newCDPSession(page);
      await cdp.send("Emulation.setCPUThrottlingRate", { rate: CPU_SLOWDOWN });
      await page.goto(`http://127.0.0.1:${server.address().port}/?drills=kiritu`);
      await page.waitForFunction(() => window.firstFrame !== undefined, null, { timeout: 60000 });
      times.push(await page.evaluate(() => window.firstFrame));
      await context.close();
    }
    out[name] = { median_ms: Math.round(median(times)), runs: times.map(Math.round) };
  }
  console.log(JSON.stringify(out));
} finally {
  await browser.close();
  server.close();
}
