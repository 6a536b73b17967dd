// Computes each frame's counts on the GPU where there is one, else on the
// workers alone; the counts, and so the pictures, are the same either way.
// With the GPU the workers first settle what the proofs settle, the GPU
// iterates the samples they leave open, and the workers take back those
// it hands back. A GPU that fails leaves the frame to the workers.
import { copyIn, copyOut } from './module.js';
import { HandedBack } from './gpu.js';

const PieceLeavesOpen = 2; // the module's flag (web/module/Exports.h)
const OpenCount = -1;

export class FrameComputer {
  // Viewer: an instance of the module, for the frame's coordinates;
  // onGpuLost hears why the GPU failed, as the workers take the frame over.
  constructor(pool, viewer, onGpuLost) {
    this.pool = pool;
    this.viewer = viewer;
    this.onGpuLost = onGpuLost;
    this.gpu = null; // the GPU kernel, where there is one
    this.job = 0;
  }

  // The counts of a frame, what computed them ('gpu' or 'cpu') and how many
  // samples the GPU handed back; null once stopped. Progress hears of the
  // share done, from 0 to 1.
  async compute(corners, width, height, progress) {
    const job = ++this.job;
    const stopped = () => job !== this.job;
    if (this.gpu) {
      try {
        return await this.onGpu(corners, width, height, progress, stopped);
      } catch (error) {
        if (stopped()) return null;
        this.gpu = null;
        this.onGpuLost(error);
      }
    }
    const counts = await this.pool.compute(corners, width, height, (done, total) => progress(done / total));
    return counts && { counts, kernel: 'cpu', handedBack: 0 };
  }

  stop() {
    this.job++;
    this.pool.stop();
  }

  async onGpu(corners, width, height, progress, stopped) {
    const columns = width + 1;
    // The proofs, on the workers: the first half of the progress.
    const counts = await this.pool.compute(corners, width, height,
      (done, total) => progress(done / total / 2), { flags: PieceLeavesOpen });
    if (!counts || stopped()) return null;
    const open = [];
    counts.forEach((count, k) => { if (count === OpenCount) open.push(k); });
    const samples = new Uint32Array(2 * open.length);
    open.forEach((k, n) => samples.set([k % columns, Math.floor(k / columns)], 2 * n));
    const got = await this.gpu.count(this.axes(corners, width, height), samples,
      (done, total) => progress(0.5 + done / total / 2), stopped);
    if (!got) return null;
    // What comes back goes to the workers, a piece of a row at a time.
    const back = new Map();
    let handedBack = 0;
    got.forEach((count, n) => {
      const k = open[n];
      counts[k] = count;
      if (count !== HandedBack) return;
      handedBack++;
      const row = Math.floor(k / columns), column = k % columns;
      const span = back.get(row) || { first: column, last: column };
      back.set(row, { first: Math.min(span.first, column), last: Math.max(span.last, column) });
    });
    const list = [...back].map(([row, { first, last }]) =>
      ({ firstColumn: first, columns: last - first + 1, firstRow: row, rows: 1 }));
    const all = list.length === 0 ? counts
      : await this.pool.compute(corners, width, height, () => {}, { list, counts });
    return all && { counts: all, kernel: 'gpu', handedBack };
  }

  // The frame's iteration limit and the coordinates of its columns and
  // rows, as the GPU kernel reads them.
  axes(corners, width, height) {
    const viewer = this.viewer;
    const at = viewer.gv_alloc(corners.length);
    copyIn(viewer, at, corners);
    const pointer = viewer.gv_axes(at, width, height);
    viewer.gv_free(at);
    const words = copyOut(viewer, Uint32Array, pointer, 4 * (width + height + 3));
    return { limit: words[0], xs: words.subarray(4, 4 * (width + 2)), ys: words.subarray(4 * (width + 2)) };
  }
}
