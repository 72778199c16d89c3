// Copies a program's sub-record (a curve or a formant set) between the instrument and an editor's
// own copy through the serialised form. The audio lock is held only for the half of the copy that
// touches the instrument's record: writing it out on a pull, reading into it on a push.
#pragma once

#include <mutex>

#include "engine/meta_param.h"

namespace sorvella {

// The instrument's record into the editor's copy. False (and the copy unchanged) when the record
// does not fit the transfer buffer or the copy refuses it.
bool pullRecord(const MyMetaParam& instrumentRecord, MyMetaParam& copy, std::recursive_mutex& lock);
// The editor's copy into the instrument's record.
bool pushRecord(const MyMetaParam& copy, MyMetaParam& instrumentRecord, std::recursive_mutex& lock);

}  // namespace sorvella
