import { serve, launch } from '/work/main/tests/web/browser.mjs';
const { server, url } = await serve('/work/main/build-web');
const browser = await launch('chromium');
const workers = process.argv[2] || '1';
const polling = process.argv[3] === 'mutation' ? 'mutation' : Number(process.argv[3] || 20);
const settled = (page, n) => page.waitForFunction(
    (n) => document.body.dataset.state === 'idle' && Number(document.body.dataset.renders || 0) > n,
    { timeout: 600000, polling }, n);
const page = await browser.newPage();
const view = '-0xd.9b12be51dc05d4p-6,0xa.4af334b7e50097ap-4,0xa.4aedf68a82c7bd6p-4';
await page.goto(`${url}?size=200x122&workers=${workers}#view=${view}`);
await settled(page, 0);
for (let run = 1; run <= 3; run++) {
  await page.evaluate((hash) => { location.hash = hash; }, `view=${view}&run=${run}`);
  await settled(page, run);
  console.log(workers, 'workers', polling, await page.evaluate(() => document.body.dataset.ms));
}
await browser.close(); server.close();
