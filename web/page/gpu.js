// The literal loop on the user's GPU (kernel.wgsl): it counts the samples
// it is given, in batches; a sample whose orbit leaves what the kernel
// handles comes back as HandedBack, for the workers.

export const HandedBack = -1;

// Iterations to a batch: a GPU at a tenth of a nanosecond an iteration runs
// one in tens of milliseconds, so that the page stays responsive, a stop
// takes effect soon, and no driver takes the GPU for hung.
const IterationsPerBatch = 2 ** 28;
const MinBatch = 256, MaxBatch = 2 ** 18;
const WorkgroupSize = 64;
// Lanes to a batch: each takes sample after sample until none is left, so
// enough of them to fill a large GPU, and no more.
const MaxLanes = 2 ** 16;

export class GpuKernel {
  // The kernel on the browser's GPU: { kernel }, or { why } there is none.
  // A fallback adapter (the CPU standing in for a GPU) serves only where
  // the GPU is asked for: the workers are faster than it.
  static async open(asked) {
    if (!navigator.gpu) return { why: 'this browser offers no WebGPU' };
    const adapter = await navigator.gpu.requestAdapter();
    if (!adapter) return { why: 'this browser offers no GPU adapter' };
    const fallback = adapter.info ? adapter.info.isFallbackAdapter : adapter.isFallbackAdapter;
    if (fallback && !asked) return { why: 'the only GPU adapter is the CPU' };
    const device = await adapter.requestDevice();
    const response = await fetch(new URL('./kernel.wgsl', import.meta.url));
    if (!response.ok) throw new Error(`cannot load the GPU kernel: ${response.status}`);
    const module = device.createShaderModule({ code: await response.text() });
    const pipeline = await device.createComputePipelineAsync({
      layout: 'auto', compute: { module, entryPoint: 'main' },
    });
    return { kernel: new GpuKernel(device, pipeline) };
  }

  constructor(device, pipeline) {
    this.device = device;
    this.pipeline = pipeline;
    this.lost = false;
    device.lost.then(() => { this.lost = true; });
  }

  // The counts of Samples (column, row pairs) of a frame whose columns lie
  // at Axes.xs and rows at Axes.ys (four words to a real), to Axes.limit.
  // Progress hears of the samples done; Stopped is asked before each batch,
  // and once it says so the counts are null. Throws where the GPU fails.
  async count(axes, samples, progress, stopped) {
    const device = this.device;
    const total = samples.length / 2;
    const batch = Math.min(MaxBatch, Math.max(MinBatch, Math.floor(IterationsPerBatch / axes.limit)));
    const buffers = [];
    const buffer = (size, usage) => {
      buffers.push(device.createBuffer({ size: Math.max(16, size), usage }));
      return buffers[buffers.length - 1];
    };
    const storage = (data) => {
      const made = buffer(data.byteLength, GPUBufferUsage.STORAGE | GPUBufferUsage.COPY_DST);
      device.queue.writeBuffer(made, 0, data);
      return made;
    };
    try {
      const frame = buffer(16, GPUBufferUsage.UNIFORM | GPUBufferUsage.COPY_DST);
      const list = buffer(batch * 8, GPUBufferUsage.STORAGE | GPUBufferUsage.COPY_DST);
      const out = buffer(batch * 4, GPUBufferUsage.STORAGE | GPUBufferUsage.COPY_SRC);
      const readback = buffer(batch * 4, GPUBufferUsage.MAP_READ | GPUBufferUsage.COPY_DST);
      const next = buffer(4, GPUBufferUsage.STORAGE | GPUBufferUsage.COPY_DST);
      const group = device.createBindGroup({
        layout: this.pipeline.getBindGroupLayout(0),
        entries: [frame, storage(axes.xs), storage(axes.ys), list, out, next]
          .map((resource, binding) => ({ binding, resource: { buffer: resource } })),
      });
      const counts = new Int32Array(total);
      for (let first = 0; first < total; first += batch) {
        if (stopped()) return null;
        const n = Math.min(batch, total - first);
        device.queue.writeBuffer(frame, 0, new Uint32Array([axes.limit, n, 0, 0]));
        device.queue.writeBuffer(list, 0, samples, 2 * first, 2 * n);
        device.queue.writeBuffer(next, 0, new Uint32Array([0]));
        device.pushErrorScope('validation');
        const encoder = device.createCommandEncoder();
        const pass = encoder.beginComputePass();
        pass.setPipeline(this.pipeline);
        pass.setBindGroup(0, group);
        pass.dispatchWorkgroups(Math.ceil(Math.min(n, MaxLanes) / WorkgroupSize));
        pass.end();
        encoder.copyBufferToBuffer(out, 0, readback, 0, n * 4);
        device.queue.submit([encoder.finish()]);
        const invalid = await device.popErrorScope();
        if (invalid) throw new Error(invalid.message);
        await readback.mapAsync(GPUMapMode.READ, 0, n * 4);
        counts.set(new Int32Array(readback.getMappedRange(0, n * 4)), first);
        readback.unmap();
        progress(first + n, total);
      }
      if (this.lost) throw new Error('the GPU was lost');
      return stopped() ? null : counts;
    } finally {
      for (const made of buffers) made.destroy();
    }
  }
}
