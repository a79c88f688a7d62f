// Serves a built site folder on 127.0.0.1 (the web page has no server side:
// any static host does; this one is for trying it and for the browser tests).
// Usage: node scripts/serve_site.mjs DIR [PORT]   (PORT 0: any free port)
import { createServer } from "node:http";
import { readFile } from "node:fs/promises";
import { extname, join, normalize, resolve } from "node:path";
import { fileURLToPath } from "node:url";

const TYPES = {
  ".html": "text/html; charset=utf-8",
  ".js": "text/javascript; charset=utf-8",
  ".wasm": "application/wasm",
  ".png": "image/png",
};

export function serve(dir, port = 0) {
  const root = resolve(dir);
  const server = createServer(async (req, res) => {
    const path = decodeURIComponent(new URL(req.url, "http://x").pathname);
    const file = normalize(join(root, path.endsWith("/") ? path + "index.html" : path));
    if (!file.startsWith(root)) {
      res.writeHead(403).end();
      return;
    }
    try {
      const body = await readFile(file);
      // Cross-origin isolated, so that performance.now() is fine-grained
      // enough to time a tick (the page loads nothing from elsewhere).
      res.writeHead(200, {
        "Content-Type": TYPES[extname(file)] || "application/octet-stream",
        "Cross-Origin-Opener-Policy": "same-origin",
        "Cross-Origin-Embedder-Policy": "require-corp",
      });
      res.end(body);
    } catch {
      res.writeHead(404).end();
    }
  });
  return new Promise((ok, fail) => {
    server.once("error", fail);
    server.listen(port, "127.0.0.1", () => ok(server));
  });
}

if (process.argv[1] === fileURLToPath(import.meta.url)) {
  const [dir, port] = process.argv.slice(2);
  if (!dir) {
    console.error("usage: node scripts/serve_site.mjs DIR [PORT]");
    process.exit(2);
  }
  serve(dir, Number(port || 8000)).then(
    (s) => console.log(`Mirukado is on http://127.0.0.1:${s.address().port}/ (Ctrl+C stops)`),
    (e) => {
      console.error(`cannot serve ${dir}: ${e.message}`);
      process.exit(1);
    });
}
