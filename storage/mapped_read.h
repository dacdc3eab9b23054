// Copies out of a read-only shared mapping of a file that another program
// may cut short while it is mapped.
//
// Touching a mapped page that lies wholly past the file's end raises
// SIGBUS, which would end the whole program. CopyFromMapping catches that
// fault for its own copy and reports it, so the caller can raise an error
// instead. A process-wide SIGBUS handler is installed on the first call;
// any SIGBUS it does not expect (outside one of these copies, or at an
// address outside the bytes being copied) goes on to the handler that was
// there before it, or gets the default action (the program ends, as it
// would have without us).
//
// Any thread; each thread guards only its own copies.
#pragma once

#include <cstddef>
#include <span>

// Copies length bytes from `from`, which lies in a file mapping, to `to`.
// Returns false when part of the source is no longer backed by the file
// (it was cut short); `to` then holds an unspecified part of the bytes.
// Throws nothing. Precondition: the source range is mapped for reading
// and `to` is ordinary memory of at least length bytes.
bool CopyFromMapping(void* to, const void* from, std::size_t length) noexcept;

// Copies `count` bytes, one every `stride` bytes from `from` (the first at
// `from`), to `to`, under the same guard: false when part of the source
// is no longer backed by the file. Same preconditions for the bytes read.
bool GatherFromMapping(void* to, const void* from, std::size_t stride, std::size_t count) noexcept;

// A byte range of each record.
struct TMappedPart {
  std::size_t Offset;
  std::size_t Length;
};

// Copies `parts` of `count` records of `stride` bytes each, the first at
// `from`, to the same places in `to` (count * stride bytes, the rest left
// as it was), under the same guard: false when part of the source is no
// longer backed by the file. Same preconditions for the bytes read; every
// part lies within a record.
bool GatherPartsFromMapping(void* to, const void* from, std::size_t stride, std::size_t count,
                            std::span<const TMappedPart> parts) noexcept;
