// The page: carries the user's input to the viewer in the module and its
// pictures to the canvas; the viewer decides what each event does, and the
// workers and the GPU compute each frame's counts.
import { compileModule, instantiate, withText, readText, copyIn, copyOut } from './module.js';
import { FramePool } from './frames.js';
import { GpuKernel } from './gpu.js';
import { FrameComputer } from './render.js';

// The module's enumerations (viewer/InputRule.h, web/module/WebViewer.h).
const Kind = { MouseDown: 0, MouseMove: 1, MouseUp: 2, Key: 3 };
const Button = { Left: 0, Right: 1, Middle: 2 };
const EscapeKey = 0x01000000;
const Effect = { None: 0, DrawBand: 1, WipeBand: 2, Zoom: 3, GoBack: 4, Close: 5 };
const Held = { Undecided: 0, NeedsPicture: 1, DiscardsPicture: 2 };

// The image area's size in CSS pixels; its canvas has a sample per device
// pixel. The page's address may ask for another size of picture and a
// number of workers (?size=200x122&workers=2), as the benchmark does.
const ImageWidth = 577, ImageHeight = 353;
const Options = new URLSearchParams(location.search);
// A render shows its progress once it has taken this long.
const ProgressDelay = 500;

const canvas = document.getElementById('image');
const status = document.getElementById('status');
const message = document.getElementById('message');
const command = document.getElementById('command');

let viewer = null;
let pool = null;
let computer = null;
// The kernel the address asks for: 'gpu', 'cpu', or null (the GPU where
// there is one); and the GPU kernel, opened once for each way of asking.
let kernelAsked = null;
const gpuKernels = new Map();
let width = ImageWidth, height = ImageHeight;
let render = null; // the running render: { id, held, decided }
let renders = 0;

function say(text) {
  message.hidden = !text;
  message.textContent = text || '';
}

function show() {
  const pointer = viewer.gv_pixels();
  const pixels = copyOut(viewer, Uint8ClampedArray, pointer, width * height * 4);
  canvas.getContext('2d').putImageData(new ImageData(pixels, width, height), 0, 0);
}

function address() {
  const kernel = kernelAsked ? `&kernel=${kernelAsked}` : '';
  return '#' + readText(viewer, viewer.gv_address()) + kernel;
}

// The GPU kernel for the kernel asked for, or null for the workers.
async function gpuKernel() {
  if (kernelAsked === 'cpu') return null;
  const forced = kernelAsked === 'gpu';
  if (!gpuKernels.has(forced))
    gpuKernels.set(forced, GpuKernel.open(forced).catch((error) => ({ why: error.message })));
  const { kernel, why } = await gpuKernels.get(forced);
  if (!kernel && forced) tell(`The GPU was asked for, but ${why}: the workers compute the pictures.`);
  return kernel || null;
}

// Adds a line to the message shown, once.
function tell(text) {
  if (message.hidden) say(text);
  else if (!message.textContent.includes(text)) say(`${message.textContent} ${text}`);
}

function setBusy(busy) {
  canvas.classList.toggle('busy', busy);
  document.body.dataset.state = busy ? 'busy' : 'idle';
}

// Renders the viewer's view; input meanwhile is held and replayed after,
// unless it would never let the picture be shown: then the render stops.
async function startRender() {
  const id = { held: [], decided: false };
  render = id;
  viewer.gv_hold();
  setBusy(true);
  command.textContent = readText(viewer, viewer.gv_command());
  const started = performance.now();
  const corners = copyOut(viewer, Uint8Array, viewer.gv_corners(), viewer.gv_corners_size());
  const progress = (share) => {
    if (performance.now() - started >= ProgressDelay)
      status.textContent = `Rendering: ${Math.floor(100 * share)}%`;
  };
  let result = null;
  try {
    const gpu = await gpuKernel();
    if (render === id) {
      computer.gpu = gpu;
      result = await computer.compute(corners, width, height, progress);
    }
  } catch (error) {
    fail(error);
  }
  if (render !== id) return; // stopped, and its input replayed already
  render = null;
  if (result) {
    copyIn(viewer, viewer.gv_counts(), result.counts);
    viewer.gv_paint();
    show();
    renders += 1;
    // For the tests and the benchmark: how many pictures, and how long each took.
    document.body.dataset.renders = renders;
    document.body.dataset.ms = performance.now() - started;
    document.body.dataset.iterations = viewer.gv_iterations();
    document.body.dataset.kernel = result.kernel;
    document.body.dataset.handedBack = result.handedBack;
    if (renders === 1) document.body.dataset.firstPictureMs = performance.now();
    const where = result.kernel === 'gpu' ? 'the GPU' : `${pool.workers.length} workers`;
    status.textContent = `Rendered in ${((performance.now() - started) / 1000).toFixed(2)} s on ${where}.`;
  } else {
    viewer.gv_abandon();
  }
  setBusy(false);
  replay(id.held);
}

// Stops the running render, if any; its view stays, without a picture.
// Returns the input it held.
function stopRender() {
  const stopped = render;
  if (!stopped) return [];
  render = null;
  computer.stop();
  viewer.gv_abandon();
  setBusy(false);
  status.textContent = 'Stopped.';
  return stopped.held;
}

function replay(events) {
  for (const event of events) input(event);
}

function input(event) {
  if (render) {
    render.held.push(event);
    if (render.decided) return;
    const held = viewer.gv_held(...event);
    if (held === Held.NeedsPicture) render.decided = true;
    if (held === Held.DiscardsPicture) replay(stopRender());
    return;
  }
  const effect = viewer.gv_input(...event);
  switch (effect) {
    case Effect.DrawBand:
    case Effect.WipeBand:
      show();
      break;
    case Effect.Zoom:
      say('');
      history.pushState({ depth: viewer.gv_depth() }, '', address());
      startRender();
      break;
    case Effect.GoBack:
      // The browser's history holds the views: going back is its back.
      if (viewer.gv_depth() > 0) history.back();
      break;
    default:
      break;
  }
}

function open(fragment) {
  const asked = new URLSearchParams(fragment.replace(/^#/, '')).get('kernel');
  kernelAsked = asked === 'gpu' || asked === 'cpu' ? asked : null;
  const read = withText(viewer, fragment, (text) => viewer.gv_open(text, width, height));
  say(read ? '' : `${readText(viewer, viewer.gv_message())} Showing the start view.`);
  history.replaceState({ depth: 0 }, '');
  startRender();
}

function onHistory(event) {
  const held = stopRender();
  const depth = event.state && event.state.depth;
  if (depth === viewer.gv_depth() - 1 && viewer.gv_back()) {
    show();
    command.textContent = readText(viewer, viewer.gv_command());
    status.textContent = '';
  } else {
    open(location.hash);
  }
  replay(held);
}

// Image pixels of a pointer position, unclamped while a drag holds the
// pointer beyond the canvas.
function at(event) {
  const box = canvas.getBoundingClientRect();
  return [Math.floor(((event.clientX - box.left) * width) / box.width),
    Math.floor(((event.clientY - box.top) * height) / box.height)];
}

const Buttons = new Map([[0, Button.Left], [1, Button.Middle], [2, Button.Right]]);
const ButtonBits = new Map([[0, 1], [1, 4], [2, 2]]);

function pointer(kind, event) {
  const button = Buttons.get(event.button);
  if (kind !== Kind.MouseMove && button === undefined) return; // extra buttons
  input([kind, button ?? Button.Left, 0, ...at(event)]);
}

function listen() {
  canvas.addEventListener('pointerdown', (event) => {
    canvas.setPointerCapture(event.pointerId);
    pointer(Kind.MouseDown, event);
  });
  canvas.addEventListener('pointermove', (event) => {
    // A second button pressed or let go during a drag comes as a move.
    if (event.button === -1) pointer(Kind.MouseMove, event);
    else pointer(event.buttons & ButtonBits.get(event.button) ? Kind.MouseDown : Kind.MouseUp, event);
  });
  canvas.addEventListener('pointerup', (event) => pointer(Kind.MouseUp, event));
  canvas.addEventListener('contextmenu', (event) => event.preventDefault());
  document.addEventListener('keydown', (event) => {
    if (event.key === 'Escape') input([Kind.Key, Button.Left, EscapeKey, 0, 0]);
  });
  window.addEventListener('popstate', onHistory);
}

function fail(error) {
  say(`Gorvanel failed: ${error.message}`);
  document.body.dataset.state = 'failed';
}

// A whole number from 1 to 4096 in the page's address, or nothing.
function wholeNumber(text) {
  const value = Number(text);
  return Number.isInteger(value) && value >= 1 && value <= 4096 ? value : 0;
}

async function start() {
  const module = await compileModule(new URL('gorvanel.wasm', import.meta.url));
  viewer = instantiate(module);
  pool = new FramePool(module, wholeNumber(Options.get('workers')) || navigator.hardwareConcurrency || 2);
  computer = new FrameComputer(pool, viewer, (error) => {
    gpuKernels.clear(); // the next render asks the browser again
    tell(`The GPU failed (${error.message}): the workers compute the pictures.`);
  });
  const ratio = window.devicePixelRatio || 1;
  const size = (Options.get('size') || '').match(/^(\d+)x(\d+)$/);
  width = (size && wholeNumber(size[1])) || Math.round(ImageWidth * ratio);
  height = (size && wholeNumber(size[2])) || Math.round(ImageHeight * ratio);
  canvas.width = width;
  canvas.height = height;
  listen();
  open(location.hash);
}

start().catch(fail);
