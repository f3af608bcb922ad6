// Standard output written byte for byte: transcripts end their lines with
// "\n" on every platform, so a Windows run compares equal to a Linux one.
#ifndef VESK_HOST_STANDARD_OUTPUT_H
#define VESK_HOST_STANDARD_OUTPUT_H

namespace vesk_host {

void useBinaryStandardOutput();

} // namespace vesk_host

#endif
