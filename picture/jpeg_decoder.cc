#include "picture/jpeg_decoder.h"

#include <csetjmp>
#include <cstdlib>

#include <jpeglib.h>
#include <jerror.h>

// Each function that calls into libjpeg sets its own jump point and holds no
// C++ object with a destructor, so that error_exit's longjmp skips nothing.

namespace lumitone {

struct JpegDecoderState {
  jpeg_decompress_struct info;
  jpeg_error_mgr error;
  std::jmp_buf jump;
  FILE* file;
};

namespace {

[[noreturn]] void ErrorExit(j_common_ptr info) {
  auto* state = reinterpret_cast<JpegDecoderState*>(info->client_data);
  std::longjmp(state->jump, 1);
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

}  // namespace

int JpegInit(JpegDecoder* decoder) {
  auto* state =
      static_cast<JpegDecoderState*>(std::calloc(1, sizeof(JpegDecoderState)));
  if (state == nullptr) return -1;
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
  decoder->state = state;
  return 0;
}

int JpegReadParams(JpegDecoder* decoder, const char* path) {
  JpegDecoderState* state = decoder->state;
  state->file = std::fopen(path, "rb");
  if (state->file == nullptr) return -1;
  if (setjmp(state->jump)) return -1;
  jpeg_stdio_src(&state->info, state->file);
  jpeg_read_header(&state->info, TRUE);
  decoder->width = static_cast<int>(state->info.image_width);
  decoder->height = static_cast<int>(state->info.image_height);
  decoder->components = state->info.num_components;
  return 0;
}

int JpegReadPixels(JpegDecoder* decoder, unsigned char* pixels) {
  JpegDecoderState* state = decoder->state;
  if (setjmp(state->jump)) return -1;
  jpeg_start_decompress(&state->info);
  if (state->info.output_components != 3 ||
      state->info.output_width != static_cast<JDIMENSION>(decoder->width) ||
      state->info.output_height != static_cast<JDIMENSION>(decoder->height)) {
    return -1;
  }
  size_t stride = static_cast<size_t>(decoder->width) * 3;
  while (state->info.output_scanline < state->info.output_height) {
    JSAMPROW row = pixels + state->info.output_scanline * stride;
    jpeg_read_scanlines(&state->info, &row, 1);
  }
  jpeg_finish_decompress(&state->info);
  return 0;
}

void JpegFree(JpegDecoder* decoder) {
  JpegDecoderState* state = decoder->state;
  if (state == nullptr) return;
  // jpeg_destroy only frees memory and cannot reach error_exit.
  jpeg_destroy_decompress(&state->info);
  if (state->file != nullptr) std::fclose(state->file);
  std::free(state);
  decoder->state = nullptr;
}

}  // namespace lumitone
