// node views.mjs SITE WORKERS RUNS SIZE name...
import { execFileSync } from 'node:child_process';
import { serve, launch } from '/work/main/tests/web/browser.mjs';
const [site, workers, runs, size, ...names] = process.argv.slice(2);
const list = execFileSync('/work/main/build/tools/gorvanel-bench', ['--list', '--group', 'all'], { encoding: 'utf8' }).trim().split('\n').map((l) => l.split('\t'));
const { server, url } = await serve(site);
const browser = await launch('chromium');
const settled = (page, n) => page.waitForFunction(
  (n) => document.body.dataset.state === 'idle' && Number(document.body.dataset.renders || 0) > n, { timeout: 600000, polling: 50 }, n);
for (const [name, view] of list) {
  if (!names.includes(name)) continue;
  const page = await browser.newPage();
  await page.goto(`${url}?size=${size}&workers=${workers}#view=${view}`);
  await settled(page, 0);
  const times = [await page.evaluate(() => Number(document.body.dataset.ms))];
  for (let run = 1; run <= Number(runs); run++) {
    await page.evaluate((hash) => { location.hash = hash; }, `view=${view}&run=${run}`);
    await settled(page, run);
    times.push(await page.evaluate(() => Number(document.body.dataset.ms)));
  }
  console.log(name.padEnd(24), times.map((t) => t.toFixed(1)).join(' '));
  await page.close();
}
await browser.close(); server.close();
