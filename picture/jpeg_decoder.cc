#include "picture/jpeg_decoder.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csetjmp>
#include <cstdio>  // before jpeglib.h, which uses FILE
#include <cstdlib>

#include <jpeglib.h>
#include <jerror.h>

// Each function that calls into libjpeg sets its own jump point and holds no
// C++ object with a destructor, so that error_exit's longjmp skips nothing.

namespace lumitone {

struct JpegDecoderState {
  jpeg_decompress_struct info;
  jpeg_error_mgr error;
  jpeg_source_mgr source;
  jpeg_progress_mgr progress;
  std::jmp_buf jump;
  int fd;  // -1 when no file is open
  int64_t fileBytes;
  int64_t bytesRead;
  int64_t readLimit;
  int lastScan;  // the scan whose cost was last counted
  int64_t coefficientReads;
  int64_t coefficientLimit;
  uint32_t sentComponents;  // bit c set once a scan has carried component c
  JOCTET buffer[65536];
};

namespace {

JpegDecoderState* StateOf(j_common_ptr info) {
  return static_cast<JpegDecoderState*>(info->client_data);
}

[[noreturn]] void ErrorExit(j_common_ptr info) {
  std::longjmp(StateOf(info)->jump, 1);
}

[[noreturn]] void Fail(j_common_ptr info, int code) {
  info->err->msg_code = code;
  ErrorExit(info);
}

// Warnings that say nothing about damage to the picture's data.
bool IsHarmlessWarning(int code) {
  return code == JWRN_JFIF_MAJOR || code == JWRN_ADOBE_XFORM ||
         code == JWRN_BOGUS_ICC;
}

// libjpeg patches over corrupt or missing data with a warning and carries on
// with grey; a picture repaired that way would be turned into the wrong
// sound, so the first such warning ends the decode.
void EmitMessage(j_common_ptr info, int level) {
  if (level < 0 && !IsHarmlessWarning(info->err->msg_code)) {
    ErrorExit(info);
  }
}

void OutputMessage(j_common_ptr) {}

// The source reads the file itself so that it can stop at the read limit:
// without one, a sparse file of many gigabytes behind a valid header would be
// scanned to its end for a marker. The end of the file is an error at once
// rather than libjpeg's patched-up end of image.
void InitSource(j_decompress_ptr) {}

boolean FillInputBuffer(j_decompress_ptr info) {
  JpegDecoderState* state = StateOf(reinterpret_cast<j_common_ptr>(info));
  auto* common = reinterpret_cast<j_common_ptr>(info);
  if (state->bytesRead >= state->readLimit) Fail(common, JERR_FILE_READ);
  ssize_t count;
  do {
    count = ::read(state->fd, state->buffer, sizeof state->buffer);
  } while (count < 0 && errno == EINTR);
  if (count < 0) Fail(common, JERR_FILE_READ);
  if (count == 0) Fail(common, JERR_INPUT_EOF);
  state->bytesRead += count;
  state->source.next_input_byte = state->buffer;
  state->source.bytes_in_buffer = static_cast<size_t>(count);
  return TRUE;
}

void SkipInputData(j_decompress_ptr info, long count) {
  jpeg_source_mgr* source = info->src;
  if (count <= 0) return;
  while (static_cast<unsigned long>(count) > source->bytes_in_buffer) {
    count -= static_cast<long>(source->bytes_in_buffer);
    FillInputBuffer(info);
  }
  source->next_input_byte += count;
  source->bytes_in_buffer -= static_cast<size_t>(count);
}

void TermSource(j_decompress_ptr) {}

int64_t ComponentBlocks(const jpeg_component_info& component) {
  return int64_t{component.width_in_blocks} * component.height_in_blocks;
}

void NoteSentComponents(JpegDecoderState* state) {
  const jpeg_decompress_struct& info = state->info;
  for (int c = 0; c < info.comps_in_scan; ++c) {
    state->sentComponents |= uint32_t{1}
                             << info.cur_comp_info[c]->component_index;
  }
}

// Called before each step of input; a new scan is counted before any of its
// data is decoded.
void ProgressMonitor(j_common_ptr common) {
  JpegDecoderState* state = StateOf(common);
  jpeg_decompress_struct& info = state->info;
  if (info.input_scan_number == state->lastScan) return;
  state->lastScan = info.input_scan_number;
  if (info.input_scan_number > kMaxJpegScans) Fail(common, JERR_NOTIMPL);
  int64_t band = info.progressive_mode ? info.Se - info.Ss + 1 : DCTSIZE2;
  if (band < 1) band = 1;
  for (int c = 0; c < info.comps_in_scan; ++c) {
    state->coefficientReads += ComponentBlocks(*info.cur_comp_info[c]) * band;
  }
  NoteSentComponents(state);
  if (state->coefficientReads > state->coefficientLimit) {
    Fail(common, JERR_NOTIMPL);
  }
}

}  // namespace

int JpegInit(JpegDecoder* decoder) {
  auto* state =
      static_cast<JpegDecoderState*>(std::calloc(1, sizeof(JpegDecoderState)));
  if (state == nullptr) return -1;
  state->fd = -1;
  state->info.err = jpeg_std_error(&state->error);
  state->error.error_exit = ErrorExit;
  state->error.emit_message = EmitMessage;
  state->error.output_message = OutputMessage;
  state->info.client_data = state;
  if (setjmp(state->jump)) {
    jpeg_destroy_decompress(&state->info);
    std::free(state);
    return -1;
  }
  jpeg_create_decompress(&state->info);
  // Set after creation, so that no environment variable can change it.
  state->info.mem->max_memory_to_use = kMaxDecoderMemory;
  state->source.init_source = InitSource;
  state->source.fill_input_buffer = FillInputBuffer;
  state->source.skip_input_data = SkipInputData;
  state->source.resync_to_restart = jpeg_resync_to_restart;
  state->source.term_source = TermSource;
  state->info.src = &state->source;
  state->progress.progress_monitor = ProgressMonitor;
  state->info.progress = &state->progress;
  decoder->state = state;
  return 0;
}

int JpegReadParams(JpegDecoder* decoder, const char* path) {
  JpegDecoderState* state = decoder->state;
  // Opened without blocking, so that a pipe with no writer cannot hold the
  // program up, and refused unless it is a regular file. The flag stays set:
  // ordinary files ignore it, and the odd kernel file that would wait for
  // data reports an error instead.
  state->fd = ::open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (state->fd < 0) return -1;
  struct stat info;
  if (::fstat(state->fd, &info) != 0 || !S_ISREG(info.st_mode)) return -1;
  state->fileBytes = info.st_size;
  state->readLimit = kMaxHeaderBytes;
  if (setjmp(state->jump)) return -1;
  jpeg_read_header(&state->info, TRUE);
  decoder->width = static_cast<int>(state->info.image_width);
  decoder->height = static_cast<int>(state->info.image_height);
  decoder->components = state->info.num_components;
  return 0;
}

int JpegStartPixels(JpegDecoder* decoder) {
  JpegDecoderState* state = decoder->state;
  jpeg_decompress_struct& info = state->info;
  // Arithmetic coding can describe a whole huge picture in a few bytes, which
  // would defeat the size check below; it is rare enough to refuse.
  if (info.arith_code) return -1;
  // Every component must be sent (checked below), and Huffman coding spends
  // at least one bit on each block of a component in the first scan that
  // carries it: a file shorter than that cannot hold the picture it claims.
  int64_t blocks = 0;
  for (int c = 0; c < info.num_components; ++c) {
    blocks += ComponentBlocks(info.comp_info[c]);
  }
  if (state->fileBytes < blocks / 8) return -1;
  state->coefficientLimit = blocks * DCTSIZE2 * kMaxCoefficientPasses;
  state->readLimit = kMaxHeaderBytes + blocks * kMaxBytesPerBlock;
  if (setjmp(state->jump)) return -1;
  jpeg_start_decompress(&info);
  // A file of several scans has been read to its end by now; one of a
  // single scan carries what that scan carries. libjpeg fills a component
  // that never came with zeros, without a warning.
  NoteSentComponents(state);
  uint32_t everyComponent = (uint32_t{1} << info.num_components) - 1;
  if (state->sentComponents != everyComponent) return -1;
  if (info.output_components != 3 ||
      info.output_width != static_cast<JDIMENSION>(decoder->width) ||
      info.output_height != static_cast<JDIMENSION>(decoder->height)) {
    return -1;
  }
  return 0;
}

int JpegReadPixels(JpegDecoder* decoder, unsigned char* pixels) {
  JpegDecoderState* state = decoder->state;
  if (setjmp(state->jump)) return -1;
  size_t stride = static_cast<size_t>(decoder->width) * 3;
  while (state->info.output_scanline < state->info.output_height) {
    JSAMPROW row = pixels + state->info.output_scanline * stride;
    jpeg_read_scanlines(&state->info, &row, 1);
  }
  // All that may follow the last row is the end marker, perhaps after a
  // few other markers; garbage in its place is not read for long.
  state->readLimit = state->bytesRead + (int64_t{1} << 20);
  jpeg_finish_decompress(&state->info);
  return 0;
}

int JpegMessageCode(const JpegDecoder* decoder) {
  return decoder->state == nullptr ? 0 : decoder->state->error.msg_code;
}

void JpegFree(JpegDecoder* decoder) {
  JpegDecoderState* state = decoder->state;
  if (state == nullptr) return;
  // jpeg_destroy only frees memory and cannot reach error_exit.
  jpeg_destroy_decompress(&state->info);
  if (state->fd >= 0) ::close(state->fd);
  std::free(state);
  decoder->state = nullptr;
}

}  // namespace lumitone
