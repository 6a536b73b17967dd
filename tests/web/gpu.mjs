// The page's GPU kernel in headless Chromium on SwiftShader (a Vulkan
// device on the CPU, so only exactness is checked): its sums and products
// against the software real's, on random operands and on the edge cases
// of rounding (ties, carries), of alignment and cancellation, of zeros and
// of the exponents the kernel handles; then the page's pictures with the
// GPU kernel asked for, against the render tool's.
// Usage: node gpu.mjs SITE_DIR RENDER_TOOL CHECKS_WASM
import fs from 'node:fs';
import path from 'node:path';
import { fileURLToPath } from 'node:url';
import { instantiate } from '../../web/page/module.js';
import { serve, launch, settled, rendered, commandArgs, canvasGrey } from './browser.mjs';

const [site, tool, checks] = process.argv.slice(2);
const here = path.dirname(fileURLToPath(import.meta.url));

const Bias = 16383, ModerateLow = Bias - 4000, ModerateHigh = Bias + 4000;
const Top = 0x80000000;
const Results = 5; // A x B, 2AB, A + B, A - B, A + B > 4
const Names = ['A x B', '2 x A x B', 'A + B', 'A - B', 'A + B > 4 (exactly, and as the kernel tests it)'];

let seed = 20261211;
function random32() { // mulberry32
  seed = (seed + 0x6D2B79F5) | 0;
  let t = Math.imul(seed ^ (seed >>> 15), 1 | seed);
  t = (t + Math.imul(t ^ (t >>> 7), 61 | t)) ^ t;
  return (t ^ (t >>> 14)) >>> 0;
}
const pick = (list) => list[random32() % list.length];

// A real as [low word, high word, sign and exponent]; zero has exponent 0.
const real = (negative, exponent, high, low) =>
  [low >>> 0, high >>> 0, ((negative ? 0x8000 : 0) | exponent) >>> 0];
const Patterns = [[Top, 0], [Top, 1], [0xFFFFFFFF, 0xFFFFFFFF], [0xFFFFFFFF, 0xFFFFFFFE], [Top | 1, 0],
  [0xC0000000, 0], [Top, 0x80000000], [0xAAAAAAAA, 0xAAAAAAAB]];
function significand() {
  return random32() % 4 === 0 ? pick(Patterns) : [(random32() | Top) >>> 0, random32()];
}
// Exponent differences where the alignment moves across words, bits and
// the sticky bit.
const Gaps = [0, 1, 2, 31, 32, 33, 62, 63, 64, 65, 66, 95, 96, 97, 126, 127, 128, 129, 130, 200, 5000];

const pairs = [];
const add = (a, b) => pairs.push(a, b);
for (let k = 0; k < 6000; k++) { // random, moderate, at every gap
  const negative = () => random32() % 2 === 1;
  const e = Bias - 40 + (random32() % 80);
  const gap = random32() % 3 === 0 ? pick(Gaps) : random32() % 70;
  const [ah, al] = significand(), [bh, bl] = significand();
  const [ea, eb] = random32() % 2 ? [e, e - gap] : [e - gap, e];
  add(real(negative(), ea, ah, al), real(negative(), Math.max(ModerateLow, eb), bh, bl));
}
for (let k = 0; k < 2000; k++) { // sums near 4, and cancellation
  const [ah, al] = significand();
  const b = [(ah - (random32() % 4)) >>> 0 | Top, (al + (random32() % 5) - 2) >>> 0];
  add(real(false, Bias + 1, ah, al), real(k % 3 === 0, Bias + 1 - (random32() % 3), ...b));
  add(real(false, Bias + 2, Top, 0), real(k % 2 === 0, Bias + 2 - 64 - (random32() % 3), ...significand()));
}
// A positive real of the value Significand x 2^Exponent (a BigInt of up to
// 64 bits).
function exactly(significand, exponent) {
  const shift = 64 - significand.toString(2).length;
  const normal = significand << BigInt(shift);
  return real(false, exponent - shift + 63 + Bias, Number(normal >> 32n), Number(normal & 0xFFFFFFFFn));
}
for (let k = 0; k < 2000; k++) { // squares whose sum lies within 2^-20 of 4, or is 4
  const a = (BigInt((random32() | Top) >>> 0) << 32n) | BigInt(random32()); // a x 2^-62 in [2, 4)
  const near = BigInt((random32() % 2 ? 1 : -1) * (random32() % 2 ? random32() % 8 : random32() % 2 ** 22));
  add(exactly(a, -62), exactly(2n ** 64n - a + near, -62));
}
for (let k = 0; k < 64; k++) { // ties and carries of products and sums
  const odd = 2 * k + 1;
  add(real(false, Bias, 0xC0000000, 0), real(k % 2 === 1, Bias, Top, odd));
  add(real(false, Bias, 0xFFFFFFFF, 0xFFFFFFFF - k), real(false, Bias - k, 0xFFFFFFFF, 0xFFFFFFFF));
  add(real(false, Bias, Top, k), real(false, Bias - 64, Top, 0)); // half an ulp
  add(real(k % 2 === 1, Bias, 0xFFFFFFFF, 0xFFFFFFFF - k), real(k % 2 === 1, Bias - 64 - (k % 3), Top, k));
}
const zero = (negative) => real(negative, 0, 0, 0);
const one = real(false, Bias, Top, 0);
for (const [a, b] of [[zero(false), zero(true)], [zero(true), zero(true)], [zero(true), one],
  [one, zero(true)], [zero(false), zero(false)], [one, real(true, Bias, Top, 0)]])
  add(a, b);
for (const e of [ModerateLow, ModerateHigh]) // the ends of the kernel's exponents
  for (let k = 0; k < 32; k++)
    add(real(k % 2 === 1, e, ...significand()),
      real(k % 4 > 1, pick([e, ModerateLow, ModerateHigh]), ...significand()));

const count = pairs.length / 2;
const soft = instantiate(await WebAssembly.compile(fs.readFileSync(checks)));
const buffer = soft.ops_buffer(count);
const memory = new Uint32Array(soft.memory.buffer, buffer, count * 4 * (2 + Results));
pairs.forEach((r, k) => memory.set([...r, 0], 4 * k));
soft.soft_ops(count);
const want = memory.slice(count * 8);
const operands = Array.from(memory.subarray(0, count * 8));

const { server, url } = await serve(site);
const browser = await launch('chromium-webgpu');
const blank = await browser.newPage();
await blank.goto(`${url}kernel.wgsl`); // a secure context, where WebGPU is offered
const source = fs.readFileSync(path.join(site, 'kernel.wgsl'), 'utf8') +
  fs.readFileSync(path.join(here, 'ops.wgsl'), 'utf8');
const got = await blank.evaluate(async (code, operands, results) => {
  const adapter = navigator.gpu && (await navigator.gpu.requestAdapter());
  if (!adapter) return 'no WebGPU adapter';
  const device = await adapter.requestDevice();
  const module = device.createShaderModule({ code });
  const errors = (await module.getCompilationInfo()).messages.filter((m) => m.type === 'error');
  if (errors.length) return errors.map((m) => `${m.lineNum}:${m.linePos} ${m.message}`).join('\n');
  const pipeline = device.createComputePipeline({ layout: 'auto', compute: { module, entryPoint: 'ops' } });
  const buffer = (size, usage) => device.createBuffer({ size, usage });
  const input = buffer(operands.length * 4, GPUBufferUsage.STORAGE | GPUBufferUsage.COPY_DST);
  device.queue.writeBuffer(input, 0, new Uint32Array(operands));
  const size = (operands.length / 8) * results * 16;
  const output = buffer(size, GPUBufferUsage.STORAGE | GPUBufferUsage.COPY_SRC);
  const readback = buffer(size, GPUBufferUsage.MAP_READ | GPUBufferUsage.COPY_DST);
  const group = device.createBindGroup({ layout: pipeline.getBindGroupLayout(0),
    entries: [{ binding: 8, resource: { buffer: input } }, { binding: 9, resource: { buffer: output } }] });
  const encoder = device.createCommandEncoder();
  const pass = encoder.beginComputePass();
  pass.setPipeline(pipeline);
  pass.setBindGroup(0, group);
  pass.dispatchWorkgroups(Math.ceil(operands.length / 8 / 64));
  pass.end();
  encoder.copyBufferToBuffer(output, 0, readback, 0, size);
  device.queue.submit([encoder.finish()]);
  await readback.mapAsync(GPUMapMode.READ);
  return Array.from(new Uint32Array(readback.getMappedRange()));
}, source, operands, Results);
if (!Array.isArray(got)) {
  console.log(`FAIL: ${got}`);
  process.exit(1);
}

const word = (value) => value.toString(16).padStart(8, '0');
const hex = (w, k) => `${(w[k + 2] & 0xFFFF).toString(16)}:${word(w[k + 1])}${word(w[k])}`;
// The sign and exponent are 16 bits; the rest of their word is padding.
const same = (a, b, i) => (i % 4 === 2 ? (a & 0xFFFF) === (b & 0xFFFF) : a === b);
let failed = 0;
for (let k = 0; k < count; k++)
  for (let r = 0; r < Results; r++) {
    const at = 4 * (Results * k + r);
    if ([0, 1, 2, 3].every((i) => same(got[at + i], want[at + i], i)))
      continue;
    if (failed++ < 10)
      console.log(`FAIL: ${Names[r]} of ${hex(operands, 8 * k)} and ${hex(operands, 8 * k + 4)}: ` +
        `kernel ${hex(got, at)}, software real ${hex(want, at)}`);
  }
console.log(`kernel arithmetic: ${count} operand pairs, ${count * Results} results, ` +
  `${failed} differ from the software real`);

// The page, small pictures (SwiftShader takes about a microsecond an
// iteration): what computed each, and whether it is the render tool's.
const PastResolution = '-0xb.e5f721eb1e5f29dp-4,0x8.6fd5ead4f4d6c49p-6,0x8.6fd5ead4f4d6c42p-6';
const PastResolution18 = '-0x9.f400a64edf06b5cp-3,0x9.0ae64f34552eb82p-7,0x9.0ae64f34552eaeep-7';
const BulbEdge = '-0xa.effbe5703e211b8p-3,-0xe.075c2e08c3bcbaap-10,-0xe.075c2e08c3d98d6p-10';
const Pictures = [
  ['the start view', '?size=100x61#kernel=gpu', 'gpu'],
  ['past the 80-bit resolution', `?size=32x19#view=${PastResolution}&kernel=gpu`, 'gpu'],
  ['past the resolution, 1e-18 high', `?size=48x29#view=${PastResolution18}&kernel=gpu`, 'gpu'],
  ['a bulb edge 1e-16 high', `?size=32x19#view=${BulbEdge}&kernel=gpu`, 'gpu'],
  // Imaginary parts near 1e-1300, whose squares the kernel does not handle.
  ['samples handed back', '?size=48x29#view=-2.1,1e-1300,-1e-1300&kernel=gpu', 'gpu'],
  ['the workers asked for', '?size=100x61#kernel=cpu', 'cpu'],
  // The device is lost as the first batch goes to it: the workers finish.
  ['a GPU lost during a render', '?size=100x61#kernel=gpu', 'cpu'],
  // A second address a second into the first one's render: only the second
  // view's picture is shown, whatever the GPU computed for the first.
  ['a render stopped by a new address', `?size=64x39#view=${BulbEdge}&kernel=gpu`, 'gpu', '#kernel=gpu'],
];
function loseTheGpu() {
  const encoder = GPUDevice.prototype.createCommandEncoder;
  GPUDevice.prototype.createCommandEncoder = function (...args) {
    this.destroy();
    return encoder.apply(this, args);
  };
}
if (tool !== 'none') // scripts/mutate.sh checks the arithmetic only
  for (const [what, address, kernel, then] of Pictures) {
    const page = await browser.newPage();
    if (what.includes('lost')) await page.evaluateOnNewDocument(loseTheGpu);
    await page.goto(`${url}${address}`);
    let early = false;
    if (then) {
      await new Promise((resolve) => setTimeout(resolve, 1000));
      early = await page.evaluate((hash) => {
        const finished = document.body.dataset.renders !== undefined;
        location.hash = hash;
        return finished;
      }, then);
    }
    await settled(page, 0, 300000);
    const shown = { ...await canvasGrey(page), ...await page.evaluate(() => ({
      ...document.body.dataset, message: document.getElementById('message').textContent })) };
    const args = commandArgs(await page.$eval('#command', (e) => e.textContent));
    const want = rendered(tool, args);
    const differ = shown.grey.findIndex((level, k) => level !== want.grey[k]);
    const problems = [
      shown.kernel !== kernel && `computed by the ${shown.kernel}, not the ${kernel}`,
      (shown.width !== want.width || shown.height !== want.height) &&
        `${shown.width}x${shown.height}, not ${want.width}x${want.height}`,
      differ >= 0 && `pixel ${differ} is ${shown.grey[differ]}, the render tool's ${want.grey[differ]}`,
      what === 'samples handed back' && Number(shown.handedBack) === 0 && 'the GPU handed none back',
      what.includes('lost') && !shown.message.includes('The GPU failed') && 'the page does not say the GPU failed',
      early && 'the first render ended before the new address came',
      then && shown.renders !== '1' && `${shown.renders} pictures, not the second view's alone`,
    ].filter(Boolean);
    if (problems.length) failed++;
    const why = problems.map((problem) => `: ${problem}`).join('');
    console.log(`${problems.length ? 'FAIL' : 'ok'}: ${what}${why} (${shown.handedBack} handed back)`);
    await page.close();
  }
await browser.close();
server.close();
process.exit(failed ? 1 : 0);
