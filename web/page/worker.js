// A worker: its own instance of the module, computing pieces of a frame's
// counts as the page asks.
import { instantiate, copyIn, copyOut } from './module.js';

let exports = null;
let corners = 0; // where the frame's corners lie in this instance's memory

onmessage = ({ data }) => {
  if (data.module) {
    exports = instantiate(data.module);
    corners = exports.gv_alloc(exports.gv_corners_size());
    return;
  }
  const { job, corners: bytes, width, height, flags, firstColumn, columns, firstRow, rows } = data;
  copyIn(exports, corners, bytes);
  const pointer = exports.gv_piece(corners, width, height, firstColumn, columns, firstRow, rows, flags);
  const counts = copyOut(exports, Int32Array, pointer, columns * rows);
  postMessage({ job, firstColumn, columns, firstRow, counts }, [counts.buffer]);
};
