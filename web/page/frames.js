// Computes frames on every core: the samples are handed out in pieces, one
// at a time, to workers that each hold an instance of the module; the
// counts come back into one frame. A frame that is stopped ends its
// workers' work at once: they are ended and new ones take their place.

// Pieces are bands of rows as high as a first tile of the proofs, split
// into columns where the frame's first tiles lie, so that the proofs do
// what they do on a whole frame (smaller tiles would leave them too few
// samples to pay). Every piece pays for the proofs' learning where they
// fail, so bands stay whole where there are enough of them to keep every
// worker busy to the end; where there are not (a small frame, or many
// workers), the costliest band of a view near the set's edge would keep
// one worker busy long after the others, and bands are split.
const TileSide = 64;
const PiecesPerWorker = 4;

function pieces(columns, rows, workers) {
  const bands = Math.ceil(rows / TileSide), tilesAcross = Math.ceil(columns / TileSide);
  const split = Math.min(tilesAcross, Math.ceil((PiecesPerWorker * workers) / bands));
  const width = Math.ceil(tilesAcross / split) * TileSide;
  const list = [];
  for (let firstRow = 0; firstRow < rows; firstRow += TileSide)
    for (let firstColumn = 0; firstColumn < columns; firstColumn += width)
      list.push({ firstColumn, columns: Math.min(width, columns - firstColumn),
                  firstRow, rows: Math.min(TileSide, rows - firstRow) });
  return list;
}

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

  // The counts of a frame: (height + 1) rows of width + 1, in Counts where
  // given. Pieces: those to compute, else all of the frame. Flags: the
  // module's for a piece (LeavesOpen). Progress hears of the samples done.
  // Resolves with the counts, or with null once stopped.
  compute(corners, width, height, progress, { flags = 0, list = null, counts = null } = {}) {
    this.stop();
    const job = ++this.job;
    const columns = width + 1, rows = height + 1;
    const todo = list || pieces(columns, rows, this.workers.length);
    return new Promise((resolve, reject) => {
      this.running = {
        job, corners, width, height, flags, progress, resolve, reject,
        pieces: todo,
        next: 0,
        counts: counts || new Int32Array(columns * rows),
        total: todo.reduce((sum, piece) => sum + piece.columns * piece.rows, 0),
        done: 0,
        busy: new Set(),
      };
      if (todo.length === 0) this.finish();
      for (const worker of this.workers) this.hand(worker);
    });
  }

  finish() {
    const run = this.running;
    this.running = null;
    run.resolve(run.counts);
  }

  hand(worker) {
    const run = this.running;
    if (!run || run.next >= run.pieces.length) return;
    const piece = run.pieces[run.next++];
    run.busy.add(worker);
    const { job, corners, width, height, flags } = run;
    worker.postMessage({ job, corners, width, height, flags, ...piece });
  }

  received(worker, { job, firstColumn, columns, firstRow, counts }) {
    const run = this.running;
    if (!run || job !== run.job) return;
    run.busy.delete(worker);
    const frameColumns = run.width + 1;
    for (let row = 0; row < counts.length / columns; row++)
      run.counts.set(counts.subarray(row * columns, (row + 1) * columns),
                     (firstRow + row) * frameColumns + firstColumn);
    run.done += counts.length;
    run.progress(run.done, run.total);
    if (run.done === run.total) this.finish();
    else this.hand(worker);
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
