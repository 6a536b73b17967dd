// The benchmark's views rendered by the page in headless Chromium, beside
// the native build's gorvanel-bench on the same views, at the same size and
// with as many workers as the native renderer has threads. Prints each
// view's times, their ratio, the share the native proofs settled, and the
// page's nanoseconds per lane-iteration (its time on all its workers over
// the literal loop's iterations for the frame), then how soon the start
// view is on screen after the page is opened. With --gpu, a second
// Chromium with WebGPU renders each view again with the GPU kernel asked
// for: its time and ratio, and whether its picture is the workers'
// ("device": the machine's GPU through Vulkan; "swiftshader": Chromium's
// CPU-bound stand-in, whose times say nothing of a GPU's).
// Usage: node bench.mjs SITE_DIR GORVANEL_BENCH [--size WxH] [--threads N]
//                       [--group all|main|deep] [--runs N]
//                       [--gpu none|device|swiftshader]
import os from 'node:os';
import { execFileSync } from 'node:child_process';
import { serve, launch, settled, canvasGrey } from './browser.mjs';

const [site, tool, ...rest] = process.argv.slice(2);
const options = { size: '200x122', threads: String(os.cpus().length), group: 'all', runs: '1', gpu: 'none' };
for (let k = 0; k < rest.length; k += 2) {
  const name = rest[k].replace(/^--/, '');
  if (!(name in options) || rest[k + 1] === undefined) {
    console.error(`bench: unknown option or missing value: ${rest[k]}`);
    process.exit(2);
  }
  options[name] = rest[k + 1];
}
const common = ['--size', options.size, '--group', options.group];

// The native build's row for one view, rendered just before the page's
// (this machine's speed drifts over minutes): default and no-proof ms,
// share proved.
function nativeRow(name) {
  const run = execFileSync(tool, [...common, '--view', name, '--threads', options.threads, '--runs', options.runs],
    { encoding: 'utf8' });
  for (const line of run.split('\n')) {
    const fields = line.slice(22).trim().split(/\s+/);
    if (fields.length === 8 && /^\d+$/.test(fields[0]) && line.slice(0, 22).trim() === name)
      return { noProof: Number(fields[2]), best: Number(fields[3]), proved: fields[6] };
  }
  return { best: NaN, proved: '?' };
}
const views = execFileSync(tool, [...common, '--list'], { encoding: 'utf8' }).trim().split('\n')
  .map((line) => line.split('\t'));

if (!['none', 'device', 'swiftshader'].includes(options.gpu)) {
  console.error(`bench: --gpu is none, device or swiftshader, not ${options.gpu}`);
  process.exit(2);
}
const { server, url } = await serve(site);
const browser = await launch('chromium');
const gpu = options.gpu === 'none' ? null : await launch(`chromium-${options.gpu}`);
const query = `?size=${options.size}&workers=${options.threads}`;
if (gpu) { // which adapter the GPU column runs on
  const page = await gpu.newPage();
  await page.goto(`${url}style.css`); // a secure context, where WebGPU is offered
  const adapter = await page.evaluate(async () => {
    const found = navigator.gpu && (await navigator.gpu.requestAdapter());
    return found && { vendor: found.info.vendor, architecture: found.info.architecture,
      fallback: found.info.isFallbackAdapter };
  });
  await page.close();
  const fallback = adapter && adapter.fallback ? ', a fallback adapter on the CPU: its times say nothing of a GPU' : '';
  console.log(adapter ? `GPU: ${adapter.vendor || '?'} ${adapter.architecture || ''}${fallback}` : 'GPU: no WebGPU adapter');
}
console.log(`${options.size}, ${options.threads} threads and workers, best of ${options.runs} (the page's after a first render); native x87 build against the page in Chromium`);
console.log(['view'.padEnd(22), 'native ms', 'page ms', '  ratio', 'proved', 'page ns/lane-it',
  ...(gpu ? ['  GPU ms', '  ratio', 'picture'] : [])].join(' '));

// A view in a new page of Browser: the best of the runs after a first
// render (which runs while the browser still compiles the module's
// optimised code), each asked for by a new address that holds the view,
// with the frame's iterations, the picture and what computed it; or why
// the page refuses the view.
async function timed(browser, fragment) {
  const page = await browser.newPage();
  try {
    await page.goto(`${url}${query}#${fragment}`);
    await settled(page, 0, 600000);
    const refused = await page.$eval('#message', (e) => (e.hidden ? '' : e.textContent));
    if (refused) return { refused };
    let best = Infinity;
    for (let run = 1; run <= Number(options.runs); run++) {
      await page.evaluate((hash) => { location.hash = hash; }, `${fragment}&run=${run}`);
      await settled(page, run, 600000);
      best = Math.min(best, await page.evaluate(() => Number(document.body.dataset.ms)));
    }
    const { iterations, kernel } = await page.evaluate(() => ({ ...document.body.dataset }));
    const picture = (await canvasGrey(page)).grey.join();
    return { best, iterations: Number(iterations), kernel, picture };
  } finally {
    await page.close();
  }
}

for (const [name, coordinates] of views) {
  const row = nativeRow(name);
  const cpu = await timed(browser, `view=${coordinates}`);
  if (cpu.refused) { // a zero-height view, for one, is no view for the page
    console.log(`${name.padEnd(22)} the page refuses it: ${cpu.refused}`);
    continue;
  }
  const perIteration = (cpu.best * 1e6 * Number(options.threads)) / cpu.iterations;
  const fields = [name.padEnd(22), row.best.toFixed(1).padStart(9), cpu.best.toFixed(1).padStart(7),
    `${(cpu.best / row.best).toFixed(2)}x`.padStart(7), row.proved.padStart(6), perIteration.toFixed(1).padStart(15)];
  if (gpu) {
    const got = await timed(gpu, `view=${coordinates}&kernel=gpu`);
    if (got.refused) { // no GPU adapter, for one
      console.log(`${fields.join(' ')}  GPU: ${got.refused}`);
      continue;
    }
    const same = got.kernel !== 'gpu' ? 'no GPU' : got.picture === cpu.picture ? 'same' : 'DIFFERENT';
    fields.push(got.best.toFixed(1).padStart(8), `${(got.best / row.best).toFixed(2)}x`.padStart(7), same);
  }
  console.log(fields.join(' '));
}
const first = await browser.newPage();
const opened = Date.now();
await first.goto(url);
await settled(first, 0);
const firstPicture = await first.evaluate(() => Number(document.body.dataset.firstPictureMs));
console.log(`start view on screen ${firstPicture.toFixed(0)} ms after the page was opened (${Date.now() - opened} ms as the driver saw it)`);
await browser.close();
if (gpu) await gpu.close();
server.close();
