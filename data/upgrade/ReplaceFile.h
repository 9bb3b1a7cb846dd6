// Putting a rebuilt table or memo file in the place of the one it replaces.
//
//   1. replaceFile - the rebuilt file takes the old one's name
//   2. copyInto    - one file's bytes written over another (the memo kept
//                    under a rebuilt table)
//   3. Test hook
//
// The old file is never removed before the new one is whole: the new file
// is written and flushed to the disk first, then renamed over the old name,
// and the rename replaces the old file at once. So whatever stops the
// program (a failed call, a power cut, a kill), the name holds either the
// whole old file or the whole new one.
//
//   Without the network-mode marker the rebuilt file itself is renamed.
//   With it, the rebuilt file is copied to a temporary name beside the old
//   one (character 0x7F and the rebuilt file's name), and that copy is
//   renamed over the old file; the rebuilt file stays where it was.
//
// The new file takes the old one's permissions (and, where allowed, its
// owner), so that a table shared by the office's group stays shared.
#pragma once

#include "data/Status.h"
#include "data/os/File.h"

#include <functional>
#include <string>

namespace drav::data {

// Replaces `to` by `from` as above. With copy, `held` receives the copy
// opened exclusively before it is renamed: no other station can open the
// new file until the caller closes it. A failure leaves `to` as it was and
// removes the temporary copy.
Status replaceFile(const std::string& from, const std::string& to, bool copy, File& held);

// Writes the bytes of `from` over `to` (emptied first), then flushes them.
// `to` must exist and be open nowhere else.
Status copyInto(const std::string& from, const std::string& to);

// The temporary name of the copy of `from` beside `to`.
std::string replaceCopyName(const std::string& from, const std::string& to);

// TEST ONLY: called with the target just before each rename; a non-zero
// errno value makes that rename fail. Returns the previous hook.
using ReplaceFault = std::function<int(const std::string& target)>;
ReplaceFault TEST_setReplaceFault(ReplaceFault fault);

}  // namespace drav::data
