// A program's sound data that does not fit in one number (envelope curves, formant sets). Each
// record knows its serialised size, writes and reads itself, and carries the first storage
// version that contains it.
#pragma once

#include <cstdint>

#include "engine/byte_cursor.h"

namespace sorvella {

class MyMetaParam {
  public:
    explicit MyMetaParam(std::int32_t version) : version_(version) {}
    virtual ~MyMetaParam() = default;
    MyMetaParam(const MyMetaParam&) = delete;
    MyMetaParam& operator=(const MyMetaParam&) = delete;

    std::int32_t version() const { return version_; }

    // Copies another record of the same class through the serialised form at version 2.
    virtual void assign(const MyMetaParam& other);
    virtual std::int32_t serialisedSize(std::int32_t version) const;
    virtual void write(ByteWriter& cursor) const;
    // Reads the record; returns false when the bytes do not form a valid record, in which case
    // the record keeps its previous contents.
    virtual bool read(ByteReader& cursor, std::int32_t version);

  private:
    std::int32_t version_;
};

}  // namespace sorvella
