// What the page's scripts share: a static file server for the page, the
// browsers as Debian installs them, and pictures read back as grey levels.
import http from 'node:http';
import fs from 'node:fs';
import path from 'node:path';
import { execFileSync } from 'node:child_process';
import puppeteer from 'puppeteer-core';
import { PNG } from 'pngjs';

const Types = { '.html': 'text/html', '.js': 'text/javascript', '.css': 'text/css', '.wasm': 'application/wasm', '.wgsl': 'text/plain' };

// Serves Dir on a free port of the loopback address, plainly: no headers
// beyond the content type.
export async function serve(dir) {
  const server = http.createServer((request, response) => {
    const name = decodeURIComponent(new URL(request.url, 'http://x').pathname);
    const file = path.join(dir, name.endsWith('/') ? name + 'index.html' : name);
    if (!file.startsWith(dir) || !fs.existsSync(file) || !fs.statSync(file).isFile()) {
      response.writeHead(404).end();
      return;
    }
    response.writeHead(200, { 'Content-Type': Types[path.extname(file)] || 'application/octet-stream' });
    fs.createReadStream(file).pipe(response);
  });
  await new Promise((resolve) => server.listen(0, '127.0.0.1', resolve));
  return { server, url: `http://127.0.0.1:${server.address().port}/` };
}

const Chromium = ['--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
  '--disable-background-networking', '--disable-component-update', '--disable-sync'];

// Chromium's WebGPU on SwiftShader, its Vulkan device on the CPU: there
// whether or not the machine has a GPU.
const SwiftShader = ['--enable-unsafe-webgpu', '--enable-unsafe-swiftshader',
  '--use-webgpu-adapter=swiftshader', '--enable-features=Vulkan'];

export function launch(browser) {
  if (browser === 'chromium')
    return puppeteer.launch({ executablePath: '/usr/bin/chromium', headless: true, args: Chromium });
  if (browser === 'chromium-webgpu' || browser === 'chromium-swiftshader')
    return puppeteer.launch({ executablePath: '/usr/bin/chromium', headless: true,
      args: [...Chromium.filter((flag) => flag !== '--disable-gpu'), ...SwiftShader] });
  if (browser === 'chromium-device') // the machine's GPU, through its Vulkan driver
    return puppeteer.launch({ executablePath: '/usr/bin/chromium', headless: true,
      args: [...Chromium.filter((flag) => flag !== '--disable-gpu'), '--enable-unsafe-webgpu',
        '--enable-features=Vulkan', '--ignore-gpu-blocklist'] });
  if (browser === 'firefox')
    return puppeteer.launch({ browser: 'firefox', executablePath: '/usr/bin/firefox-esr', headless: true });
  throw new Error(`no browser '${browser}': chromium or firefox`);
}

// Opens Url at a device pixel ratio and waits for the picture after the
// renders already shown.
export async function open(browser, url, ratio = 1) {
  const page = await browser.newPage();
  await page.setViewport({ width: 800, height: 700, deviceScaleFactor: ratio });
  await page.goto(url);
  await settled(page, 0);
  return page;
}

// Waits until the page has shown more than Renders pictures and is idle.
export async function settled(page, renders, timeout = 120000) {
  await page.waitForFunction(
    (n) => document.body.dataset.state === 'idle' && Number(document.body.dataset.renders || 0) > n,
    { timeout, polling: 20 }, renders);
}

export async function renders(page) {
  return page.evaluate(() => Number(document.body.dataset.renders || 0));
}

// The canvas as the screen shows it, grey levels, and its size.
export async function shown(page) {
  const canvas = await page.$('#image');
  const png = PNG.sync.read(Buffer.from(await canvas.screenshot({ type: 'png' })));
  const grey = new Uint8Array(png.width * png.height);
  for (let k = 0; k < grey.length; k++) {
    const [r, g, b] = png.data.subarray(4 * k, 4 * k + 3);
    grey[k] = r === g && g === b ? r : 256 - 1 - ((r + g + b) % 7); // a colour never matches a grey
  }
  return { width: png.width, height: png.height, grey };
}

// The render tool's picture for a command line as the page shows it
// ("gorvanel-render --size WxH -- L T R B"), or for plain arguments.
export function rendered(tool, args) {
  const file = path.join(fs.mkdtempSync('/tmp/gorvanel-page-'), 'view.pgm');
  execFileSync(tool, ['--quiet', '--output', file, ...args]);
  const data = fs.readFileSync(file);
  fs.rmSync(path.dirname(file), { recursive: true });
  const [, width, height] = data.toString('latin1', 0, 40).match(/^P5\s+(\d+)\s+(\d+)\s+255\s/);
  return { width: Number(width), height: Number(height), grey: new Uint8Array(data.subarray(data.length - width * height)) };
}

// The canvas's own pixels, grey levels (the red of each), and its size.
export async function canvasGrey(page) {
  return page.evaluate(() => {
    const canvas = document.getElementById('image');
    const rgba = canvas.getContext('2d').getImageData(0, 0, canvas.width, canvas.height).data;
    return { width: canvas.width, height: canvas.height,
      grey: Array.from({ length: rgba.length / 4 }, (_, k) => rgba[4 * k]) };
  });
}

export function commandArgs(line) {
  return line.trim().split(/\s+/).slice(1);
}
