// Computes frames on every core: the rows are handed out in bands, one at a
// time, to workers that each hold an instance of the module; the counts
// come back into one frame. A frame that is stopped ends its workers' work
// at once: they are ended and new ones take their place.

// Rows to a band: as many as a first tile of the proofs has (smaller bands
// would leave the proofs too few samples to pay), few enough to keep every
// worker busy to the end and to show progress.
const BandRows = 64;

export class FramePool {
  constructor(module, count) {
    this.module = module;
    this.workers = Array.from({ length: count }, () => this.spawn());
    this.job = 0;
    this.running = null;
  }

  spawn() {
    const worker = new Worker(new URL('./worker.js', import.meta.url), { type: 'module' });
    worker.postMessage({ module: this.module });
    worker.onmessage = ({ data }) => this.received(worker, data);
    worker.onerror = (event) => this.failed(event.message || 'a worker failed');
    return worker;
  }

  // The counts of a frame: (height + 1) rows of width + 1. Progress hears
  // of the rows done. Resolves with the counts, or with null once stopped.
  compute(corners, width, height, progress) {
    this.stop();
    const job = ++this.job;
    const rows = height + 1;
    const next = { row: 0 };
    return new Promise((resolve, reject) => {
      this.running = {
        job, corners, width, height, rows, next, progress, resolve, reject,
        counts: new Int32Array((width + 1) * rows),
        done: 0,
        busy: new Set(),
      };
      for (const worker of this.workers) this.hand(worker);
    });
  }

  hand(worker) {
    const run = this.running;
    if (!run || run.next.row >= run.rows) return;
    const firstRow = run.next.row;
    const rows = Math.min(BandRows, run.rows - firstRow);
    run.next.row += rows;
    run.busy.add(worker);
    worker.postMessage({ job: run.job, corners: run.corners, width: run.width, height: run.height, firstRow, rows });
  }

  received(worker, { job, firstRow, counts }) {
    const run = this.running;
    if (!run || job !== run.job) return;
    run.busy.delete(worker);
    run.counts.set(counts, firstRow * (run.width + 1));
    run.done += counts.length / (run.width + 1);
    run.progress(run.done, run.rows);
    if (run.done === run.rows) {
      this.running = null;
      run.resolve(run.counts);
    } else {
      this.hand(worker);
    }
  }

  failed(message) {
    const run = this.running;
    this.stop();
    if (run) run.reject(new Error(message));
  }

  // Stops the running frame, if any: its workers are ended, new ones take
  // their place, and its promise resolves with null.
  stop() {
    const run = this.running;
    if (!run) return;
    this.running = null;
    this.workers = this.workers.map((worker) => {
      if (!run.busy.has(worker)) return worker;
      worker.terminate();
      return this.spawn();
    });
    run.resolve(null);
  }
}
