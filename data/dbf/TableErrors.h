// What the error handler is told about a failure of the table driver: the
// generic code of the operation and the driver's sub-code.
//
//   Operation  Failure                         Generic code        Sub-code
//   create     any                             20 Create error     1004
//   open       table or memo file              21 Open error       1001 / 1002
//              (a sharing violation may default: the table layer retries)
//   read       any                             23 Read error       1010
//   write      any                             24 Write error      1011
//              value too wide                  34 Data width       1021
//              wrong kind of value             33 Data type        1020
//              record or file not locked       38 Lock required    1022
//              read-only table                 39 Write not allowed 1025
//   append     another station's lock          40 Append lock      1024 (may default)
//   lock       refused by the system           41 Lock failure     1038
//   pack, zap  table not exclusive             37 Exclusive req.   1023
//   any        corrupt file                    32 Corruption       1012
#pragma once

#include "data/Status.h"
#include "util/Error.h"

namespace drav::data {

enum class TableOp { Create, Open, OpenMemo, Read, Write, Append, Lock, Maintain };

ErrorInfo tableErrorInfo(const Status& status, TableOp op);

}  // namespace drav::data
