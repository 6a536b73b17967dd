// The page in a real browser, headless, each picture compared pixel for
// pixel with the render tool's: the start view at device pixel ratios 1
// and 2, the rubber band, a zoom, going back, Esc, a deep view opened by
// its address and the browser's back button, a right click during a long
// render, and addresses that hold no view.
// Usage: node test.mjs BROWSER SITE_DIR RENDER_TOOL
import { serve, launch, open, settled, renders, shown, rendered, commandArgs } from './browser.mjs';

const [browserName, site, tool] = process.argv.slice(2);
const Start = ['--size', '577x353'];
// The seahorse valley's boundary, at an iteration limit of 5000: a zoom
// into its busiest corner, where the orbits escape late and neither the
// proofs nor the double lanes settle them, takes seconds on two cores.
const Boundary = ['-0xb.e5fb6ada8b499b6p-4', '0x8.6fe0672fb948791p-6', '0x8.6fcb6e7a3065101p-6'];
// Past the 80-bit resolution: neighbouring samples repeat to the bit.
const Deep = ['-0xb.e5f721eb1e5f29dp-4', '0x8.6fd5ead4f4d6c49p-6', '0x8.6fd5ead4f4d6c42p-6'];

// A copy of a picture with the white frame the viewer draws round the
// rectangle [left, right) x [top, bottom): a line where it is flat.
function framed(picture, left, top, right, bottom) {
  const grey = picture.grey.slice();
  right = Math.max(right, left + 1);
  bottom = Math.max(bottom, top + 1);
  const set = (x, y) => {
    if (x >= 0 && x < picture.width && y >= 0 && y < picture.height) grey[y * picture.width + x] = 255;
  };
  for (let x = left; x < right; x++) { set(x, top); set(x, bottom - 1); }
  for (let y = top; y < bottom; y++) { set(left, y); set(right - 1, y); }
  return { ...picture, grey };
}

function expectSame(got, want, what) {
  if (got.width !== want.width || got.height !== want.height)
    throw new Error(`${what}: the page shows ${got.width}x${got.height}, the render tool drew ${want.width}x${want.height}`);
  const k = got.grey.findIndex((v, i) => v !== want.grey[i]);
  if (k >= 0)
    throw new Error(`${what}: pixel (${k % got.width}, ${Math.floor(k / got.width)}) is ${got.grey[k]}, the render tool's ${want.grey[k]}`);
}

async function command(page) {
  return commandArgs(await page.$eval('#command', (e) => e.textContent));
}

// The mouse at image pixel (x, y) of the canvas, at ratio 1 (whole CSS
// pixels: Firefox rounds a fraction).
async function mouseAt(page, x, y) {
  const box = await (await page.$('#image')).boundingBox();
  return [box.x + x, box.y + y];
}

async function drag(page, from, to, release = true) {
  await page.mouse.move(...await mouseAt(page, ...from));
  await page.mouse.down();
  await page.mouse.move(...await mouseAt(page, ...to), { steps: 4 });
  if (release) await page.mouse.up();
}

async function rightClick(page) {
  await page.mouse.click(...await mouseAt(page, 20, 20), { button: 'right' });
}

const cases = {
  async 'start view at ratio 1'(browser, url) {
    const page = await open(browser, url);
    expectSame(await shown(page), rendered(tool, Start), 'start view');
    expectSame(await shown(page), rendered(tool, await command(page)), 'the command line shown');
  },

  async 'start view at ratio 2'(browser, url) {
    const page = await open(browser, url, 2);
    expectSame(await shown(page), rendered(tool, ['--size', '1154x706']), 'start view at ratio 2');
  },

  async 'rubber band, Esc, zoom and going back'(browser, url) {
    const page = await open(browser, url);
    const start = rendered(tool, Start);
    await drag(page, [100, 80], [300, 200], false);
    expectSame(await shown(page), framed(start, 100, 80, 300, 200), 'rubber band');
    await page.keyboard.press('Escape');
    expectSame(await shown(page), start, 'after Esc');
    await page.mouse.up();
    await drag(page, [300, 200], [100, 80]);
    await settled(page, 1);
    const zoomed = await command(page);
    expectSame(await shown(page), rendered(tool, zoomed), 'zoomed view');
    if (!/^#view=-?0x[^,]+,-?0x[^,]+,-?0x/.test(await page.evaluate(() => location.hash)))
      throw new Error('the address does not hold the zoomed view');
    await rightClick(page);
    await page.waitForFunction(() => location.hash === '');
    expectSame(await shown(page), framed(start, 100, 80, 300, 200), 'after going back');
    await drag(page, [10, 10], [14, 15]);
    expectSame(await shown(page), start, 'a drag of at most 5 pixels');
  },

  async 'deep view by address, then the back button'(browser, url) {
    const page = await open(browser, `${url}#view=${Deep.join(',')}`);
    const deep = rendered(tool, ['--size', '577x353', '--', ...Deep]);
    expectSame(await shown(page), deep, 'deep view');
    await drag(page, [200, 100], [400, 250]);
    await settled(page, 1);
    expectSame(await shown(page), rendered(tool, await command(page)), 'zoomed past the resolution');
    await page.goBack();
    await page.waitForFunction((h) => location.hash === h, {}, `#view=${Deep.join(',')}`);
    expectSame(await shown(page), framed(deep, 200, 100, 400, 250), 'after the back button');
  },

  async 'right click during a long render'(browser, url) {
    const page = await open(browser, `${url}#view=${Boundary.join(',')}`);
    const boundary = rendered(tool, ['--size', '577x353', '--', ...Boundary]);
    const before = await renders(page);
    await drag(page, [276, 120], [280, 129]);
    await page.waitForFunction(() => document.body.dataset.state === 'busy');
    const cursor = await page.$eval('#image', (e) => getComputedStyle(e).cursor);
    if (cursor !== 'wait') throw new Error(`the cursor during a render is '${cursor}', not the busy one`);
    const clicked = Date.now();
    await rightClick(page);
    await page.waitForFunction((h) => document.body.dataset.state === 'idle' && location.hash === h, {},
      `#view=${Boundary.join(',')}`);
    const took = Date.now() - clicked;
    if (took > 2000) throw new Error(`the render stopped ${took} ms after the right click`);
    expectSame(await shown(page), framed(boundary, 276, 120, 280, 129), 'after the right click');
    if ((await renders(page)) !== before) throw new Error('the stopped render showed a picture');
  },

  async 'addresses that hold no view'(browser, url) {
    const start = rendered(tool, Start);
    for (const fragment of ['view=nan,1,0', 'view=0,1,1', 'view=1e5000,1,0', 'view=1,2', 'view=0x1p+0,zz,0',
      'zoom=3', 'view=%zz', 'view=' + '9'.repeat(700)]) {
      const page = await open(browser, `${url}#${fragment}`);
      const text = await page.$eval('#message', (e) => (e.hidden ? '' : e.textContent));
      if (!text.includes('start view')) throw new Error(`#${fragment}: no message, '${text}'`);
      expectSame(await shown(page), start, `#${fragment}`);
      await page.close();
    }
  },
};

const { server, url } = await serve(site);
const browser = await launch(browserName);
let passed = 0, failed = 0;
try {
  for (const [name, run] of Object.entries(cases)) {
    try {
      await run(browser, url);
      passed++;
      console.log(`ok: ${name}`);
    } catch (error) {
      failed++;
      console.log(`FAIL: ${name}: ${error.message}`);
    }
    for (const page of await browser.pages()) if (page.url() !== 'about:blank') await page.close();
  }
} finally {
  await browser.close();
  server.close();
}
console.log(`${browserName}: ${passed} passed, ${failed} failed`);
process.exit(failed ? 1 : 0);
