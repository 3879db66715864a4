// test_support/tape_decoder.cpp: the containers. CSW and block 0x18 are read as
// one timeline of levels in samples; block 0x19 is played symbol by symbol.
#include "test_support/tape_decoder.h"

#include <algorithm>
#include <cstddef>
#include <limits>

#include "coding/little_endian.h"
#include "test_support/tape_images.h"

namespace {

constexpr std::uint32_t cell_samples = 11;
constexpr std::uint32_t pilot_samples = 22;
constexpr std::uint32_t cell_tstates = 875;
constexpr std::uint32_t header_pilot_tstates = 1750;
constexpr unsigned max_run_cells = 5;

bool is_header_flag(std::uint8_t flag) { return (flag & 0x80) == 0; }

std::string block_error(std::size_t number, const std::string& what) {
  return "block " + std::to_string(number) + ": " + what;
}

// --- CSW and block 0x18: one timeline of levels ------------------------------

constexpr std::uint32_t end_of_file = std::numeric_limits<std::uint32_t>::max();

std::size_t pilot_pulses_after(std::uint8_t flag) { return is_header_flag(flag) ? 10022 : 4009; }

bool is_short(const csw_level& level, std::uint32_t samples) {
  return !level.long_form && level.samples == samples;
}

// The milliseconds whose pause is `samples` long (pause_ms * 44100 / 1000,
// truncated), if there are any.
std::optional<std::uint16_t> pause_of(std::uint32_t samples) {
  const std::uint64_t ms = (std::uint64_t{samples} * 1000 + 44099) / 44100;
  if (ms == 0 || ms > 65535 || ms * 44100 / 1000 != samples) return std::nullopt;
  return static_cast<std::uint16_t>(ms);
}

// Cells of the levels [first, last), the first at the 0-bit level, or an error.
std::string cells_of(const std::vector<csw_level>& levels, std::size_t first, std::size_t last,
                     std::vector<std::uint8_t>* cells) {
  for (std::size_t i = first; i < last; ++i) {
    const csw_level& level = levels[i];
    if (level.long_form) return "a long pulse inside the data, at level " + std::to_string(i);
    if (level.samples % cell_samples != 0)
      return "a level of " + std::to_string(level.samples) +
             " samples is not a whole number of cells, at level " + std::to_string(i);
    const std::uint32_t run = level.samples / cell_samples;
    if (run > max_run_cells)
      return "a run of " + std::to_string(run) + " equal cells, at level " + std::to_string(i);
    cells->insert(cells->end(), run, (i - first) % 2 == 0 ? 0 : 1);
  }
  return "";
}

// The flag a block's first code word carries, the sync at `sync`.
std::optional<std::uint8_t> flag_after_sync(const std::vector<csw_level>& levels,
                                            std::size_t sync) {
  std::vector<std::uint8_t> cells;
  for (std::size_t last = sync + 2; cells.size() < 11 && last <= levels.size(); ++last) {
    cells.clear();
    if (!cells_of(levels, sync + 1, last, &cells).empty()) return std::nullopt;
  }
  if (cells.size() < 11) return std::nullopt;
  unsigned word = 0;
  for (std::size_t k = 1; k <= 10; ++k) word = word << 1 | cells[k];
  int disparity = 0;
  return decode_8b10b(static_cast<std::uint16_t>(word), &disparity);
}

// Where the data of the block whose sync is at `sync` ends: at a long pulse
// (its pause), at the end of the file, or where the next block's pilot begins.
struct data_end {
  std::size_t end = 0;   // one past the block's last data level
  std::size_t next = 0;  // where the next block's pilot starts
  std::string error;
};

data_end find_data_end(const std::vector<csw_level>& levels, std::size_t sync) {
  std::size_t pilot_run = 0;
  for (std::size_t j = sync + 1; j < levels.size(); ++j) {
    if (levels[j].long_form) return {j, j + 1, ""};
    if (is_short(levels[j], pilot_samples)) {
      ++pilot_run;
      continue;
    }
    // A sync after at least the shorter pilot. Of the 22-sample pulses before
    // it, the ones the next block's flag does not claim for its pilot are data.
    if (is_short(levels[j], cell_samples) && pilot_run >= pilot_pulses_after(0xFF)) {
      const auto flag = flag_after_sync(levels, j);
      if (!flag) return {0, 0, "no flag after the sync at level " + std::to_string(j)};
      const std::size_t pilot = pilot_pulses_after(*flag);
      if (pilot_run < pilot)
        return {0, 0, "the pilot before level " + std::to_string(j) + " is short"};
      return {j - pilot, j - pilot, ""};
    }
    pilot_run = 0;
  }
  return {levels.size(), levels.size(), ""};
}

// Every block of the timeline; `pilot_starts` gets where each one's pilot begins.
decoded_tape decode_timeline(const std::vector<csw_level>& levels,
                             std::vector<std::size_t>* pilot_starts) {
  decoded_tape tape;
  std::size_t pos = 0;
  while (pos < levels.size()) {
    const std::size_t number = tape.blocks.size();
    std::size_t sync = pos;
    while (sync < levels.size() && is_short(levels[sync], pilot_samples)) ++sync;
    if (sync == pos || sync == levels.size() || !is_short(levels[sync], cell_samples)) {
      tape.error = block_error(number, "no pilot and sync at level " + std::to_string(pos));
      return tape;
    }
    const data_end data = find_data_end(levels, sync);
    if (!data.error.empty()) {
      tape.error = block_error(number, data.error);
      return tape;
    }

    // The cell after the sync is at the 0-bit level and is not a line bit.
    std::vector<std::uint8_t> bits;
    if (std::string e = cells_of(levels, sync + 1, data.end, &bits); !e.empty()) {
      tape.error = block_error(number, e);
      return tape;
    }
    if (!bits.empty()) bits.erase(bits.begin());

    // A final run of 0-bits with no level of its own lasts as long as the level
    // after the data, which must be at the 0-bit level and long enough.
    if (const std::size_t missing = (10 - bits.size() % 10) % 10; missing != 0) {
      const bool zero_level_follows = (data.end - sync - 1) % 2 == 0;
      const std::uint32_t follows =
          data.end == levels.size() ? end_of_file : levels[data.end].samples;
      if (!zero_level_follows || follows < missing * cell_samples) {
        tape.error = block_error(number, "its last " + std::to_string(missing) +
                                             " line bits are cut short by the level after it");
        return tape;
      }
      bits.insert(bits.end(), missing, 0);
    }

    decoded_block block;
    if (std::string e = decode_frame(bits, &block); !e.empty()) {
      tape.error = block_error(number, e);
      return tape;
    }
    if (sync - pos != pilot_pulses_after(block.flag)) {
      tape.error = block_error(number, "a pilot of " + std::to_string(sync - pos) + " pulses");
      return tape;
    }
    if (data.end < levels.size() && levels[data.end].long_form) {
      const auto pause = pause_of(levels[data.end].samples);
      if (!pause) {
        tape.error = block_error(number, "a pause of " + std::to_string(levels[data.end].samples) +
                                             " samples is not a whole number of milliseconds");
        return tape;
      }
      block.pause_ms = *pause;
    }
    if (pilot_starts != nullptr) pilot_starts->push_back(pos);
    tape.blocks.push_back(std::move(block));
    pos = data.next;
  }
  return tape;
}

// --- Block 0x19: played as a TZX player plays it ------------------------------

struct played_pulse {
  bool high = false;
  std::uint32_t tstates = 0;
};

// The symbols of a block: each a flag byte and `pulses_per_symbol` lengths.
struct symbol_table {
  unsigned pulses_per_symbol = 0;
  const std::uint8_t* entries = nullptr;
  unsigned size = 0;
};

void play_symbol(const symbol_table& table, unsigned symbol, bool* high,
                 std::vector<played_pulse>* played) {
  const std::uint8_t* entry = table.entries + symbol * (1 + 2 * table.pulses_per_symbol);
  for (unsigned k = 0; k < table.pulses_per_symbol; ++k) {
    const std::uint16_t tstates = load_u16(entry + 1 + 2 * k);
    if (tstates == 0) break;
    if (k > 0) {
      *high = !*high;
    } else {
      switch (entry[0] & 3) {
        case 0:
          *high = !*high;
          break;
        case 1:
          break;
        case 2:
          *high = false;
          break;
        case 3:
          *high = true;
          break;
      }
    }
    played->push_back({*high, tstates});
  }
}

// The block whose fields (after its length) are the `size` bytes at `body`,
// played from the level `*high`, which is left as the level after the block
// and its pause.
std::string decode_generalized_block(const std::uint8_t* body, std::size_t size, bool* high,
                                     decoded_block* block) {
  if (size < 14) return "a head of " + std::to_string(size) + " bytes";
  const std::uint16_t pause_ms = load_u16(body);
  const std::uint32_t totp = load_u32(body + 2);
  const std::uint32_t totd = load_u32(body + 8);
  const symbol_table pilot_table = {body[6], body + 14, body[7] == 0 ? 256u : body[7]};
  if (body[12] != 1 || body[13] != 2) return "data symbols that are not two of one pulse each";
  const std::size_t pilot_table_size = pilot_table.size * (1 + 2 * pilot_table.pulses_per_symbol);
  const std::size_t stream_size = (std::size_t{totd} + 7) / 8;
  const std::size_t needed = 14 + pilot_table_size + 3 * std::size_t{totp} + 3 * 2 + stream_size;
  if (needed != size)
    return "its length field says " + std::to_string(size) + " bytes, its fields need " +
           std::to_string(needed);
  const std::uint8_t* pilot_stream = body + 14 + pilot_table_size;
  const std::uint8_t* data_entries = pilot_stream + 3 * std::size_t{totp};
  const symbol_table data_symbols = {1, data_entries, 2};
  const std::uint8_t* data_stream = data_entries + 3 * 2;

  std::vector<played_pulse> pilot;
  for (std::uint32_t e = 0; e < totp; ++e) {
    const unsigned symbol = pilot_stream[3 * e];
    if (symbol >= pilot_table.size) return "pilot symbol " + std::to_string(symbol) + " undefined";
    for (unsigned r = load_u16(pilot_stream + 3 * e + 1); r > 0; --r)
      play_symbol(pilot_table, symbol, high, &pilot);
  }
  if (pilot.size() < 2) return "no sync";
  const played_pulse sync = pilot[pilot.size() - 2];
  const played_pulse after_sync = pilot.back();
  pilot.resize(pilot.size() - 2);
  if (sync.tstates != cell_tstates || after_sync.tstates != cell_tstates)
    return "a sync of " + std::to_string(sync.tstates) + " and " +
           std::to_string(after_sync.tstates) + " T-states";
  if (!sync.high || after_sync.high)
    return "its sync plays low and the cell after it high, the levels of a 0-bit and a 1-bit";

  std::vector<played_pulse> data;
  for (std::uint32_t i = 0; i < totd; ++i)
    play_symbol(data_symbols, data_stream[i / 8] >> (7 - i % 8) & 1, high, &data);
  if (totd % 8 != 0 && (data_stream[stream_size - 1] & (0xFFu >> (totd % 8))) != 0)
    return "fill bits that are not 0";
  std::vector<std::uint8_t> bits;
  unsigned run = 1;  // the cell after the sync begins a run of 0-bits
  bool last = false;
  for (const played_pulse& cell : data) {
    if (cell.tstates != cell_tstates)
      return "a data cell of " + std::to_string(cell.tstates) + " T-states";
    run = cell.high == last ? run + 1 : 1;
    last = cell.high;
    if (run > max_run_cells)
      return "a run of six equal cells at line bit " + std::to_string(bits.size());
    bits.push_back(cell.high ? 1 : 0);
  }
  if (bits.size() != totd) return "data symbols that are not one cell each";
  if (std::string e = decode_frame(bits, block); !e.empty()) return e;

  const std::uint32_t pilot_tstates =
      is_header_flag(block->flag) ? header_pilot_tstates : cell_tstates;
  const std::size_t pilot_pulses = is_header_flag(block->flag) ? 10000 : 8000;
  // What comes before the pilot may set the level low: one pulse at the low level.
  if (pilot.size() == pilot_pulses + 1 && !pilot.front().high) pilot.erase(pilot.begin());
  const bool pilot_right = pilot.size() == pilot_pulses &&
                           std::all_of(pilot.begin(), pilot.end(), [&](const played_pulse& p) {
                             return p.tstates == pilot_tstates;
                           });
  if (!pilot_right) return "a pilot of " + std::to_string(pilot.size()) + " pulses";
  block->pause_ms = pause_ms;
  // A TZX player ends a pause at the low level.
  if (pause_ms > 0) *high = false;
  return "";
}

}  // namespace

void PrintTo(const decoded_block& block, std::ostream* os) {
  *os << "{flag " << unsigned{block.flag} << ", pause " << block.pause_ms << " ms, "
      << block.payload.size() << " bytes:";
  for (std::size_t i = 0; i < std::min<std::size_t>(block.payload.size(), 8); ++i)
    *os << ' ' << unsigned{block.payload[i]};
  *os << (block.payload.size() > 8 ? " ...}" : "}");
}

std::optional<std::vector<csw_level>> csw_levels(const byte_vector& file) {
  const byte_vector header = csw_file_header();
  if (file.size() < header.size() || !std::equal(header.begin(), header.end(), file.begin()))
    return std::nullopt;
  std::vector<csw_level> levels;
  for (std::size_t i = header.size(); i < file.size(); ++i) {
    if (file[i] != 0) {
      levels.push_back({file[i], false});
      continue;
    }
    if (i + 4 >= file.size()) return std::nullopt;
    levels.push_back({load_u32(&file[i + 1]), true});
    i += 4;
  }
  return levels;
}

std::optional<std::vector<csw_recording>> csw_recordings(const byte_vector& file) {
  const byte_vector header = tzx_header();
  if (file.size() < header.size() || !std::equal(header.begin(), header.end(), file.begin()))
    return std::nullopt;
  std::vector<csw_recording> blocks;
  for (std::size_t at = header.size(); at < file.size();) {
    if (file[at] != 0x18 || file.size() - at < 15) return std::nullopt;
    const std::uint8_t* head = &file[at];
    const std::uint32_t count = load_u32(head + 11);
    const bool well_formed = load_u32(head + 1) == count + 10 && head[7] == 0x44 &&
                             head[8] == 0xAC && head[9] == 0 && head[10] == 1 &&
                             file.size() - at - 15 >= count;
    if (!well_formed) return std::nullopt;
    csw_recording block = {load_u16(head + 5), byte_vector(head + 15, head + 15 + count)};
    if (std::count(block.pulses.begin(), block.pulses.end(), 0) != 0) return std::nullopt;
    blocks.push_back(std::move(block));
    at += 15 + count;
  }
  return blocks;
}

decoded_tape decode_csw_file(const byte_vector& file) {
  const auto levels = csw_levels(file);
  if (!levels) return {{}, "not a CSW 1.01 file of 44100 Hz run-length pulses"};
  return decode_timeline(*levels, nullptr);
}

decoded_tape decode_tzx_file(const byte_vector& file) {
  const byte_vector header = tzx_header();
  if (file.size() < header.size() || !std::equal(header.begin(), header.end(), file.begin()))
    return {{}, "not a TZX 1.20 file"};
  if (file.size() > header.size() && file[header.size()] == 0x18) {
    const auto recordings = csw_recordings(file);
    if (!recordings) return {{}, "a block that is not a well-formed CSW recording block"};
    // The pulses of every block in turn, each pause a level of its own after them.
    std::vector<csw_level> levels;
    std::vector<std::size_t> block_starts;
    for (const csw_recording& r : *recordings) {
      block_starts.push_back(levels.size());
      for (std::uint8_t p : r.pulses) levels.push_back({p, false});
      if (r.pause_ms > 0) levels.push_back({std::uint32_t{r.pause_ms} * 44100 / 1000, true});
    }
    std::vector<std::size_t> pilot_starts;
    decoded_tape tape = decode_timeline(levels, &pilot_starts);
    if (tape.error.empty() && pilot_starts != block_starts)
      tape.error = "blocks that do not each hold exactly one pilot, sync and frame";
    return tape;
  }
  decoded_tape tape;
  bool high = false;  // a tape starts low
  for (std::size_t at = header.size(); at < file.size();) {
    const std::size_t number = tape.blocks.size();
    if (file[at] != 0x19 || file.size() - at < 5) {
      tape.error = block_error(number, "not a generalized data block");
      return tape;
    }
    const std::uint32_t length = load_u32(&file[at + 1]);
    if (file.size() - at - 5 < length) {
      tape.error = block_error(number, "its length runs past the end of the file");
      return tape;
    }
    decoded_block block;
    if (std::string e = decode_generalized_block(&file[at + 5], length, &high, &block);
        !e.empty()) {
      tape.error = block_error(number, e);
      return tape;
    }
    tape.blocks.push_back(std::move(block));
    at += 5 + length;
  }
  return tape;
}

byte_vector tzx_image_of(const std::vector<decoded_block>& blocks) {
  std::vector<byte_vector> data_blocks;
  for (const auto& b : blocks) data_blocks.push_back(data_block(b.pause_ms, b.flag, b.payload));
  return tzx_image(data_blocks);
}

std::vector<decoded_block> data_blocks_of(const byte_vector& tzx, bool* whole) {
  std::vector<decoded_block> blocks;
  std::size_t at = 10;
  while (at + 5 <= tzx.size() && tzx[at] == 0x10) {
    const std::uint16_t length = load_u16(&tzx[at + 3]);
    if (length < 2 || at + 5 + length > tzx.size()) break;
    const auto data = tzx.begin() + static_cast<std::ptrdiff_t>(at + 5);
    blocks.push_back({*data, byte_vector(data + 1, data + length - 1), load_u16(&tzx[at + 1])});
    at += 5 + length;
  }
  if (whole != nullptr) *whole = at == tzx.size();
  return blocks;
}

decoded_tape decode_output(output_kind kind, const byte_vector& file) {
  switch (kind) {
    case output_kind::csw:
      return decode_csw_file(file);
    case output_kind::tzxgen:
    case output_kind::tzxcsw:
      return decode_tzx_file(file);
  }
  return {{}, "unknown output kind"};
}
