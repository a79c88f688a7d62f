// Serves a built site folder on 127.0.0.1 (the web page has no server side:
// any static host does; this one is for trying it and for the browser tests).
// Usage: node scripts/serve_site.mjs DIR [PORT]   (PORT 0: any free port)
import { createServer } from "node:http";
import { constants } from "node:fs";
import { open, realpath, stat } from "node:fs/promises";
import { extname, isAbsolute, relative, resolve, sep } from "node:path";
import { fileURLToPath } from "node:url";

const TYPES = {
  ".html": "text/html; charset=utf-8",
  ".js": "text/javascript; charset=utf-8",
  ".wasm": "application/wasm",
  ".png": "image/png",
};

// Statuses a request can end with before any file is read.
export const BAD_REQUEST = 400;
export const FORBIDDEN = 403;
export const NOT_FOUND = 404;
export const METHOD_NOT_ALLOWED = 405;

// True when `path` (absolute) is `root` itself or lies inside it. A plain
// string prefix is not enough: /w/site-private starts with /w/site.
export function inside(root, path) {
  const rel = relative(root, path);
  return rel === "" || (rel !== ".." && !rel.startsWith(".." + sep) && !isAbsolute(rel));
}

// Where a request's target points under `root`, before links are followed:
// { file } or { status }. Never throws, whatever the target holds.
export function site_path(root, target) {
  let pathname;
  try {
    pathname = new URL(target, "http://site").pathname;
  } catch {
    return { status: BAD_REQUEST };
  }
  let path;
  try {
    path = decodeURIComponent(pathname);
  } catch {
    return { status: BAD_REQUEST };  // a lone or malformed %-escape
  }
  // A NUL cannot name a file; a backslash is a separator to some readers of
  // the address but a file-name character here: refuse both outright.
  if (path.includes("\0") || path.includes("\\")) return { status: BAD_REQUEST };
  if (path.endsWith("/")) path += "index.html";
  // Decoded, the path may hold ".." segments again (..%2f): resolve them
  // against the root and refuse whatever lands outside it.
  const file = resolve(root, "." + path);
  return inside(root, file) ? { file } : { status: FORBIDDEN };
}

// The file to send for a request, with every link followed and the result
// still inside the site (a link out of the folder is refused like ../):
// { file } or { status }.
export async function resolve_request(root, target) {
  const found = site_path(root, target);
  if (!found.file) return found;
  let real;
  try {
    real = await realpath(found.file);
  } catch {
    return { status: NOT_FOUND };
  }
  return inside(root, real) ? { file: real } : { status: FORBIDDEN };
}

// Opens `file` for reading when it is a regular file: { handle, size }, else
// null. Opening a FIFO waits for a writer, and on one of Node's few file
// threads: a few requests for one would stall every other file. So the type
// is checked before opening, and the open itself never waits (O_NONBLOCK,
// no effect on a regular file's reads) in case the file was swapped for a
// FIFO meanwhile, and checked again on what was opened.
export async function open_regular(file) {
  try {
    if (!(await stat(file)).isFile()) return null;
  } catch {
    return null;
  }
  let handle;
  try {
    handle = await open(file, constants.O_RDONLY | constants.O_NONBLOCK);
    const opened = await handle.stat();
    if (opened.isFile()) return { handle, size: opened.size };
  } catch {
    /* gone meanwhile */
  }
  await handle?.close().catch(() => {});
  return null;
}

export async function serve(dir, port = 0) {
  const root = await realpath(resolve(dir));
  const server = createServer(async (req, res) => {
    try {
      if (req.method !== "GET" && req.method !== "HEAD") {
        res.writeHead(METHOD_NOT_ALLOWED, { Allow: "GET, HEAD" }).end();
        return;
      }
      const found = await resolve_request(root, req.url);
      if (!found.file) {
        res.writeHead(found.status).end();
        return;
      }
      const file = await open_regular(found.file);
      if (!file) {
        res.writeHead(NOT_FOUND).end();  // a folder, a FIFO or a device, or gone meanwhile
        return;
      }
      // Cross-origin isolated, so that performance.now() is fine-grained
      // enough to time a tick (the page loads nothing from elsewhere).
      res.writeHead(200, {
        "Content-Type": TYPES[extname(found.file)] || "application/octet-stream",
        "Content-Length": file.size,
        "Cross-Origin-Opener-Policy": "same-origin",
        "Cross-Origin-Embedder-Policy": "require-corp",
      });
      if (req.method === "HEAD" || file.size === 0) {
        await file.handle.close();
        res.end();
        return;
      }
      // Streamed, no further than the length sent: a large file never sits
      // whole in memory, and a client that leaves ends the read. The stream
      // closes the file either way.
      const body = file.handle.createReadStream({ end: file.size - 1 });
      body.on("error", () => res.destroy());
      res.on("close", () => body.destroy());
      body.pipe(res);
    } catch {
      // Whatever one request does, the server keeps serving the others.
      if (!res.headersSent) res.writeHead(500);
      res.end();
    }
  });
  // A client that sends garbage gets its connection closed, nothing more.
  server.on("clientError", (_error, socket) => socket.destroy());
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
