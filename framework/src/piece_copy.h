// The shared first step of both decoders: every slot at the empty text, and
// one heap copy of the input to cut in place.
#ifndef VESK_PIECE_COPY_H
#define VESK_PIECE_COPY_H

#include <stddef.h>

// Points all `count` slots at vesk_empty_text and returns a malloc'd copy
// of `text` with its length in `length`; null (and length 0) for a null or
// empty text, or when memory runs out.
char* vesk_copy_for_pieces(const char* text, const char** slots, int count, size_t* length);

#endif
