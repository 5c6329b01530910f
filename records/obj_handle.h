// A handle cell: one heap cell holding a scene object's pointer. The object
// keeps the address of its cell, and the finders of the scene access layer
// return cells rather than bare objects, so that a caller holding a cell sees
// the object replaced or gone (the cell then holds null).
//
// Cells are made with `new ObjHandle`; whoever destroys the object also frees
// its cell. The kind of object a cell holds is fixed by where it came from
// (Geo cells from the Geo services, Jel cells from the Jel services, ...).
#pragma once

struct ObjHandle {
  void* object = nullptr;
};
