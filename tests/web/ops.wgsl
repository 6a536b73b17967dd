// The kernel's arithmetic on operand pairs, for its check (gpu.mjs), which
// appends this to kernel.wgsl: per pair A x B, 2 x A x B, A + B, A - B and
// whether A + B is above 4, as the software real's check gives them.

@group(0) @binding(8) var<storage, read> operands: array<vec4<u32>>;
@group(0) @binding(9) var<storage, read_write> results: array<vec4<u32>>;

@compute @workgroup_size(64)
fn ops(@builtin(global_invocation_id) id: vec3<u32>) {
  let k = id.x;
  if (2u * k + 1u >= arrayLength(&operands)) {
    return;
  }
  let a = load(operands[2u * k]);
  let b = load(operands[2u * k + 1u]);
  results[5u * k] = store(multiply(a, b, 0));
  results[5u * k + 1u] = store(multiply(a, b, 1));
  results[5u * k + 2u] = store(add(a, b));
  results[5u * k + 3u] = store(add(a, negate(b)));
  // The escape test as the kernel makes it, where both are squares.
  let squares = a.s == 0u && b.s == 0u;
  results[5u * k + 4u] = vec4<u32>(select(0u, 1u, above_four(add(a, b))),
                                   select(2u, select(0u, 1u, escaped(a, b)), squares), 0u, 0u);
}
