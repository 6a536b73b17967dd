// A worker: its own instance of the module, computing bands of rows of a
// frame's counts as the page asks.
import { instantiate, copyIn, copyOut } from './module.js';

let exports = null;
let corners = 0; // where the frame's corners lie in this instance's memory

onmessage = ({ data }) => {
  if (data.module) {
    exports = instantiate(data.module);
    corners = exports.gv_alloc(exports.gv_corners_size());
    return;
  }
  const { job, corners: bytes, width, height, firstRow, rows } = data;
  copyIn(exports, corners, bytes);
  const pointer = exports.gv_band(corners, width, height, firstRow, rows, 0);
  const counts = copyOut(exports, Int32Array, pointer, rows * (width + 1));
  postMessage({ job, firstRow, counts }, [counts.buffer]);
};
