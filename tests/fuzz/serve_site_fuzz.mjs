// Random request targets against the page server's path rules: for
// SECONDS seconds (30 by default) it builds addresses from the pieces that
// have broken static servers (dot segments in every escape, separators,
// broken escapes, NULs, links) and checks that no answer names a file
// outside the site and that the server never stops answering.
// Usage: node serve_site_fuzz.mjs [SECONDS]
import assert from "node:assert/strict";
import { mkdirSync, mkdtempSync, realpathSync, rmSync, symlinkSync, writeFileSync } from "node:fs";
import { request } from "node:http";
import { tmpdir } from "node:os";
import { join, sep } from "node:path";
import { resolve_request, serve, site_path } from "../../scripts/serve_site.mjs";

const seconds = Number(process.argv[2] || 30);
const work = realpathSync(mkdtempSync(join(tmpdir(), "mirukado-serve-fuzz-")));
const site = join(work, "site");
mkdirSync(join(site, "sub"), { recursive: true });
writeFileSync(join(site, "index.html"), "home");
mkdirSync(join(work, "site-private"));
writeFileSync(join(work, "site-private", "secret.txt"), "secret");
symlinkSync(join(work, "site-private"), join(site, "out"));
symlinkSync("..", join(site, "sub", "up"));
symlinkSync("/etc", join(site, "etc"));

const PIECES = ["/", "/", "..", ".", "%2e", "%2E", "%2f", "%2F", "%5c", "\\", "%", "%0", "%00",
  "%e0%a4", "%ff", "%c0%af", "site", "site-private", "secret.txt", "index.html", "sub", "up",
  "out", "etc", "passwd", "?", "#", "//", ";", "%25", "a", "\u3042"];
let seed = 20261207;
const next = () => (seed = (Math.imul(seed, 1103515245) + 12345) >>> 0);
function target() {
  let t = "/";
  const n = 1 + (next() % 12);
  for (let i = 0; i < n; ++i) {
    t += next() % 9 === 0 ? "%" + (next() % 256).toString(16).padStart(2, "0")
                          : PIECES[next() % PIECES.length];
  }
  return t;
}

// Inside, told by string rules alone (not by the server's own helper).
const within = (file) => file === site || file.startsWith(site + sep);

function get(path) {
  return new Promise((ok, fail) => {
    const req = request({ host: "127.0.0.1", port: server.address().port, path }, (res) => {
      let body = "";
      res.on("data", (d) => (body += d));
      res.on("end", () => ok({ status: res.statusCode, body }));
    });
    req.on("error", fail);
    req.setTimeout(5000, () => req.destroy(new Error(`no answer to ${JSON.stringify(path)}`)));
    req.end();
  });
}

const server = await serve(site, 0);
let tried = 0;
try {
  const end = Date.now() + seconds * 1000;
  while (Date.now() < end) {
    const t = target();
    const lexical = site_path(site, t);
    if (lexical.file) assert.ok(within(lexical.file), `${t} -> ${lexical.file}`);
    const found = await resolve_request(site, t);
    if (found.file) assert.ok(within(realpathSync(found.file)), `${t} -> ${found.file}`);
    else assert.ok([400, 403, 404].includes(found.status), `${t} -> ${found.status}`);
    // Every tenth target also goes over the wire, as a client would send it
    // (the ones Node's client refuses to send are the resolver's alone).
    if (++tried % 10 === 0 && /^[!-"$-~]+$/.test(t)) {
      const answer = await get(t);
      assert.ok(!answer.body.includes("secret") && !answer.body.includes("root:"), t);
    }
  }
  assert.equal((await get("/")).body, "home", "the server stopped serving");
  console.log(`${tried} targets, none outside the site`);
} finally {
  server.close();
  rmSync(work, { recursive: true, force: true });
}
