// The page server answers hostile addresses with 400/403 and keeps serving:
// nothing outside the site folder is readable, by ../ in any spelling or by a
// link, and nothing in it but regular files (a FIFO would hold a file thread
// until someone writes to it). Usage: node --test serve_site_test.mjs
import assert from "node:assert/strict";
import { execFileSync } from "node:child_process";
import { closeSync, constants, mkdirSync, mkdtempSync, openSync, rmSync, symlinkSync, writeFileSync } from "node:fs";
import { request } from "node:http";
import { tmpdir } from "node:os";
import { join } from "node:path";
import { after, before, test } from "node:test";
import { serve } from "../../scripts/serve_site.mjs";

const work = mkdtempSync(join(tmpdir(), "mirukado-serve-"));
const site = join(work, "site");
const FIFO = join(site, "mirukado.js");
// Bigger than a stream's chunks, so that the file comes in many pieces.
const BIG = "0123456789abcdef".repeat(256 * 1024);
// Node's file threads, each of which a FIFO's open would hold.
const FILE_THREADS = Number(process.env.UV_THREADPOOL_SIZE || 4);
const FIFO_ANSWER_MS = 1000;
let server;
// A server that died or hangs shows as a failed request, not a stalled test.
const ANSWER_MS = 5000;

// One raw request; the path goes on the wire exactly as written.
function get(path, method = "GET", answerMs = ANSWER_MS) {
  return new Promise((ok, fail) => {
    const req = request(
      { host: "127.0.0.1", port: server.address().port, path, method },
      (res) => {
        let body = "";
        res.on("data", (d) => (body += d));
        res.on("end", () => ok({ status: res.statusCode, body }));
      });
    req.on("error", fail);
    req.setTimeout(answerMs, () => req.destroy(new Error(`no answer to ${path}`)));
    req.end();
  });
}

before(async () => {
  mkdirSync(join(site, "sub"), { recursive: true });
  writeFileSync(join(site, "index.html"), "home");
  writeFileSync(join(site, "sub", "page.js"), "sub");
  mkdirSync(join(work, "site-private"));
  writeFileSync(join(work, "site-private", "secret.txt"), "secret");
  writeFileSync(join(work, "site.bak"), "secret");
  symlinkSync(join(work, "site-private"), join(site, "out"));
  symlinkSync("index.html", join(site, "alias.html"));
  writeFileSync(join(site, "empty.js"), "");
  writeFileSync(join(site, "big.wasm"), BIG);
  execFileSync("mkfifo", [FIFO]);
  server = await serve(site, 0);
});
after(() => {
  // A server that opened the FIFO waits for a writer: one comes, so that the
  // test's process can end.
  try {
    closeSync(openSync(FIFO, constants.O_WRONLY | constants.O_NONBLOCK));
  } catch {
    /* no reader waits: nothing held */
  }
  server?.close();
  rmSync(work, { recursive: true, force: true });
});

const CASES = [
  ["/", 200],
  ["/index.html", 200],
  ["/sub/page.js", 200],
  ["/alias.html", 200],  // a link that stays inside
  ["/sub/..%2findex.html", 200],  // ../ that stays inside
  ["/missing.js", 404],
  ["/sub", 404],  // a folder is no file
  ["/%", 400],
  ["/%E0%A4%A", 400],
  ["/index.html%00.png", 400],
  ["/..%5csite.bak", 400],
  ["/..%2fsite-private%2fsecret.txt", 403],
  ["/..%2fsite.bak", 403],
  ["/%2e%2e%2fsite-private/secret.txt", 403],
  ["/sub/..%2f..%2fsite-private/secret.txt", 403],
  ["/out/secret.txt", 403],  // a link out of the folder
];

test("each address gets its status, and nothing outside the site is sent", async () => {
  for (const [path, status] of CASES) {
    const { status: got, body } = await get(path);
    assert.equal(got, status, path);
    assert.ok(!body.includes("secret"), path);
  }
});

test("methods other than GET and HEAD are refused; HEAD sends no body", async () => {
  assert.equal((await get("/", "POST")).status, 405);
  const head = await get("/", "HEAD");
  assert.deepEqual([head.status, head.body], [200, ""]);
});

test("the server still serves after every bad request", async () => {
  for (const [path] of CASES) await get(path).catch(() => {});
  assert.deepEqual(await get("/"), { status: 200, body: "home" });
});

test("a FIFO named like a site file is no file, and holds nothing up", async () => {
  const fifo = await Promise.allSettled(
    Array.from({ length: FILE_THREADS }, () => get("/mirukado.js", "GET", FIFO_ANSWER_MS)));
  assert.deepEqual(fifo.map((r) => r.value?.status ?? r.reason.message), Array(FILE_THREADS).fill(404));
  assert.deepEqual(await get("/"), { status: 200, body: "home" });
});

test("regular files come whole, however long", async () => {
  assert.deepEqual(await get("/empty.js"), { status: 200, body: "" });
  const big = await get("/big.wasm");
  assert.equal(big.status, 200);
  assert.ok(big.body === BIG, `${big.body.length} of ${BIG.length} characters`);
});
