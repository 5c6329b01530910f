// A Jel's record in scene and object files (every version it was ever written
// in) and in item-stream images. The readers and writers are members of
// HObject (read, readArrays, write, countArrays, writeArrays and the two
// factories); this header holds their result codes and the channel-data header
// form that records of version 3 on inherit from the record read before them.
#pragma once

#include <cstdint>

#include "jel/chan_data.h"

// The version the file writer puts.
constexpr int32_t kJelRecordVersion = 4;

// Results of HObject::read and HObject::readArrays. Anything but kJelReadOk is a
// refusal: the object is left as default-constructed and nothing was kept.
enum : int32_t {
  kJelReadOk = 1,
  kJelReadNothing = 0,     // no file or stream, or the 8-byte lead cannot be read
  kJelReadTruncated = -1,  // the record ends before its last field
  kJelReadBadCount = -2,   // a count disagrees with the data present or with another count
  kJelReadNotEmpty = -3,   // the object already holds a lattice
  kJelReadNoMemory = -4,
  kJelReadBadValue = -5,   // a lattice whose cell size is not a positive finite number
};

// Most nodes a record may declare. Far beyond any lattice the editor builds; a
// larger count is damage, whatever the file holds.
constexpr int32_t kJelMaxNodes = 1 << 21;

// The channel-data header form a record of version 3 or later is read with is
// the reader's own running choice, passed to HObject::read from record to
// record of one file: version 0 and 1 records choose the short form, version 2
// records the full one, and later records keep the last choice (full at the
// start of a file). The reader falls back to the other form when a block does
// not parse in this one.
