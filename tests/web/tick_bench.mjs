// The web page's median tick plus presentation, in ms, over the whole platoon
// drill at speed 3 in a 1920 x 1080 headless chromium (bench/web_tick.sh), as
// JSON: through the stage's pixels (stage) and with the caption and the
// timeline and status updated too (all).
import { chromium } from "playwright-core";
import { serve } from "../../scripts/serve_site.mjs";

const server = await serve(process.argv[2], 0);
const browser = await chromium.launch({ executablePath: "/usr/bin/chromium", args: ["--no-sandbox"] });
try {
  const page = await browser.newPage({ viewport: { width: 1920, height: 1080 } });
  await page.goto(`http://127.0.0.1:${server.address().port}/?drills=kiritu&speed=3&bench=ticks`);
  await page.waitForFunction(() => window.mirukado, null, { timeout: 30000 });
  await page.waitForFunction(() => !window.mirukado.state().playing, null, { timeout: 600000, polling: 1000 });
  const medians = await page.evaluate(() => {
    const median = (ticks) => {
      const t = ticks.slice().sort((a, b) => a - b);
      return t[t.length >> 1];
    };
    const t = window.mirukado.ticks;
    return { stage: median(t.stage), all: median(t.all), ticks: t.all.length };
  });
  console.log(JSON.stringify(medians));
} finally {
  await browser.close();
  server.close();
}
