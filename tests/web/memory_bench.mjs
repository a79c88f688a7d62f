// The web page's JavaScript heap while it plays on: a passage of the platoon
// drill looping at ×10 in the saver's picture at 1280 x 720 in headless
// chromium, measured after a garbage collection once the loop runs, at
// quarters of SECONDS and at its end, with the ticks the page played and the
// tick costs it holds, as JSON (bench/web_memory.sh). A page that keeps
// something per tick grows here.
// Usage: node memory_bench.mjs SITE_DIR [SECONDS]
import { chromium } from "playwright-core";
import { serve } from "../../scripts/serve_site.mjs";

const WARM_UP_MS = 5000;
const SAMPLES = 4;
const seconds = Number(process.argv[3] || 120);
const server = await serve(process.argv[2], 0);
const browser = await chromium.launch({ executablePath: "/usr/bin/chromium", args: ["--no-sandbox"] });
try {
  const page = await browser.newPage({ viewport: { width: 1280, height: 720 } });
  const cdp = await page.context().newCDPSession(page);
  const heap = async () => {
    await cdp.send("HeapProfiler.collectGarbage");
    const { usedSize } = await cdp.send("Runtime.getHeapUsage");
    return usedSize;
  };
  await page.goto(`http://127.0.0.1:${server.address().port}/?drills=kiritu&speed=10&view=saver`);
  await page.waitForFunction(() => window.mirukado, null, { timeout: 30000 });
  // A passage looped (a, then b), so that the drill plays on and on, as on a
  // screen left showing it.
  await page.keyboard.press("a");
  await page.waitForTimeout(WARM_UP_MS);
  await page.keyboard.press("b");
  // Sampled along the way: a steady climb tells a leak from a one-off rise.
  const samples = [await heap()];
  for (let i = 0; i < SAMPLES; ++i) {
    await page.waitForTimeout(seconds * 1000 / SAMPLES);
    samples.push(await heap());
  }
  const [before, after] = [samples[0], samples[SAMPLES]];
  const kept = await page.evaluate(() => ({
    ticks: window.mirukado.tickCount ? window.mirukado.tickCount() : null,
    costs_kept: window.mirukado.ticks.stage.length + window.mirukado.ticks.all.length,
  }));
  console.log(JSON.stringify({ seconds, heap_before_bytes: before, heap_after_bytes: after,
    heap_growth_bytes: after - before, heap_samples_bytes: samples, ...kept }));
} finally {
  await browser.close();
  server.close();
}
