// writers/block_dispatch.cpp: write_data_block, the one way a block reaches the
// output, in the form the output kind asks for.
#include <cstdlib>

#include "coding/pulse_stream.h"
#include "writers/block_writers.h"

int write_data_block(output_kind kind, std::uint16_t pause_ms, std::uint16_t payload_length,
                     std::FILE* out, std::FILE* in, std::uint8_t flag) {
  switch (kind) {
    case output_kind::csw: {
      std::uint32_t pulse_count = 0;  // only the 0x18 head needs the total
      if (int rc = write_block_pulses(&pulse_count, in, out, payload_length, flag); rc != 0)
        return rc;
      return write_csw_pause(out, pause_ms);
    }
    case output_kind::tzxgen:
      return write_generalized_block(in, out, payload_length, flag, pause_ms);
    case output_kind::tzxcsw:
      return write_csw_recording_block(in, out, payload_length, flag, pause_ms);
  }
  std::abort();  // not an output_kind: something else was cast to one
}
