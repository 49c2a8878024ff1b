/* SPDX-License-Identifier: GPL-3.0-or-later */
#include "protocol.h"

static const char hex_digits[] = "0123456789ABCDEF";

uint8_t vp_crc8(const char *bytes, uint8_t length) {
  uint8_t crc = 0;
  for (uint8_t i = 0; i < length; ++i) {
    crc ^= (uint8_t)bytes[i];
    for (uint8_t bit = 0; bit < 8; ++bit)
      crc = (crc & 0x80u) ? (uint8_t)((crc << 1) ^ 0x07u) : (uint8_t)(crc << 1);
  }
  return crc;
}

void vp_line_reset(vp_line *line) {
  line->length = 0;
  line->overlong = 0;
  line->completed = 0;
  line->text[0] = '\0';
}

uint8_t vp_line_push(vp_line *line, uint8_t byte) {
  if (byte == '\n') {
    uint8_t length = line->length;
    if (!line->overlong && length > 0 && line->text[length - 1] == '\r') --length;
    uint8_t result = (line->overlong || length > VP_LINE_MAX) ? VP_LINE_OVERLONG : VP_LINE_READY;
    if (result != VP_LINE_READY) length = 0;
    line->text[length] = '\0';
    line->completed = length;
    line->length = 0;
    line->overlong = 0;
    return result;
  }
  /* One byte beyond the limit is kept: it may be the '\r' of a "\r\n". */
  if (line->length <= VP_LINE_MAX)
    line->text[line->length++] = (char)byte;
  else
    line->overlong = 1;
  return VP_LINE_PENDING;
}

/* Value of one upper-case hex digit, or -1. */
static int8_t hex_value(char c) {
  if (c >= '0' && c <= '9') return (int8_t)(c - '0');
  if (c >= 'A' && c <= 'F') return (int8_t)(c - 'A' + 10);
  return -1;
}

/* Reads digits hex digits; returns 0 on a bad digit. */
static uint8_t read_hex(const char *text, uint8_t digits, uint16_t *value) {
  uint16_t v = 0;
  for (uint8_t i = 0; i < digits; ++i) {
    int8_t d = hex_value(text[i]);
    if (d < 0) return 0;
    v = (uint16_t)((v << 4) | (uint16_t)d);
  }
  *value = v;
  return 1;
}

vp_command vp_parse(const char *text, uint8_t length) {
  vp_command command = {VP_CMD_MALFORMED, 0, 0, 0, 0};
  if (length == 0) {
    command.kind = VP_CMD_EMPTY;
    return command;
  }
  if (length < 4 || length > VP_LINE_MAX || text[length - 3] != '*') return command;
  uint8_t payload = (uint8_t)(length - 3);
  uint16_t crc;
  if (!read_hex(text + payload + 1, 2, &crc)) return command;
  if ((uint8_t)crc != vp_crc8(text, payload)) return command;

  switch (text[0]) {
    case 'S': {
      uint16_t period;
      if (payload != 5 || !read_hex(text + 1, 4, &period)) return command;
      if (period < VP_PERIOD_MIN_MS || period > VP_PERIOD_MAX_MS) return command;
      command.period_ms = period;
      command.kind = VP_CMD_START;
      break;
    }
    case 'O': {
      uint16_t seq, order, out1;
      if (payload != 11 || !read_hex(text + 1, 4, &seq) || !read_hex(text + 5, 3, &order)
          || !read_hex(text + 8, 3, &out1))
        return command;
      /* Three hex digits never exceed 4095; the check keeps the limit explicit. */
      if (order > VP_COUNT_MAX || out1 > VP_COUNT_MAX) return command;
      command.seq = seq;
      command.order = order;
      command.out1 = out1;
      command.kind = VP_CMD_ORDER;
      break;
    }
    case 'X':
      if (payload == 1) command.kind = VP_CMD_STOP;
      break;
    case 'V':
      if (payload == 1) command.kind = VP_CMD_VERSION;
      break;
    default:
      break;
  }
  return command;
}

uint8_t vp_seal(char *out, uint8_t payload_length) {
  uint8_t crc = vp_crc8(out, payload_length);
  uint8_t n = payload_length;
  out[n++] = '*';
  out[n++] = hex_digits[crc >> 4];
  out[n++] = hex_digits[crc & 0x0Fu];
  out[n++] = '\n';
  out[n] = '\0';
  return n;
}

uint8_t vp_format_banner(char *out) {
  const char *banner = VP_BANNER;
  uint8_t n = 0;
  while (banner[n] != '\0') {
    out[n] = banner[n];
    ++n;
  }
  return vp_seal(out, n);
}

uint8_t vp_delay_units(uint32_t microseconds) {
  if (microseconds >= 25500u) return VP_DELAY_NONE;
  return (uint8_t)(microseconds / 100u);
}

static void rest(vp_board *board) {
  board->order = VP_REST_ORDER;
  board->out1 = VP_REST_OUT1;
  board->at_rest = 1;
}

void vp_board_init(vp_board *board) {
  board->running = 0;
  board->tripped = 0;
  board->malformed = 0;
  board->ticked = 0;
  board->silent = 0;
  board->fed = 0;
  board->answered = 0;
  board->answer_delay = VP_DELAY_NONE;
  board->seq = 0;
  board->period_ms = 0;
  rest(board);
}

uint8_t vp_board_line(vp_board *board, uint8_t line_result, const char *text,
                      uint8_t length) {
  if (line_result == VP_LINE_PENDING) return 0;
  if (line_result == VP_LINE_OVERLONG) {
    ++board->malformed;
    return 0;
  }
  vp_command command = vp_parse(text, length);
  switch (command.kind) {
    case VP_CMD_EMPTY:
      return 0;
    case VP_CMD_MALFORMED:
      ++board->malformed;
      return 0;
    case VP_CMD_START:
      board->running = 1;
      board->period_ms = command.period_ms;
      board->seq = 0;
      board->ticked = 0;
      board->tripped = 0;
      board->silent = 0;
      board->fed = 0;
      board->answered = 0;
      board->answer_delay = VP_DELAY_NONE;
      rest(board);
      return VP_DO_DAC | VP_DO_START;
    case VP_CMD_ORDER: {
      if (!board->running) return 0;
      /* Only an order that answers the latest frame is the host's present: one that
       * answers an older frame (a host that stalled and replays its backlog) or comes
       * before the first frame is ignored, and does not feed the watchdog. */
      if (!board->ticked || command.seq != (uint16_t)(board->seq - 1u)) return 0;
      uint8_t actions = VP_DO_DAC | VP_DO_FED;
      board->order = command.order;
      board->out1 = command.out1;
      board->at_rest = 0;
      board->fed = 1;
      if (!board->answered) {
        board->answered = 1;
        actions |= VP_DO_TIME;
      }
      return actions;
    }
    case VP_CMD_STOP:
      board->running = 0;
      rest(board);
      return VP_DO_DAC | VP_DO_STOP;
    case VP_CMD_VERSION:
      return VP_DO_BANNER;
  }
  return 0;
}

void vp_board_answer_delay(vp_board *board, uint8_t delay_units) {
  board->answer_delay = delay_units;
}

void vp_board_overrun(vp_board *board) {
  ++board->malformed;
}

static uint8_t put_hex(char *out, uint8_t at, uint16_t value, uint8_t digits) {
  while (digits-- > 0) out[at++] = hex_digits[(value >> (4u * digits)) & 0x0Fu];
  return at;
}

uint8_t vp_board_deadline(vp_board *board) {
  if (!board->running || board->fed || board->at_rest) return 0;
  board->tripped = 1;
  rest(board);
  return VP_DO_DAC;
}

uint8_t vp_board_tick(vp_board *board, uint16_t in0, uint16_t in1, char *frame,
                      uint8_t *actions) {
  *actions = 0;
  if (!board->running) return 0;
  uint8_t status = VP_STATUS_RUNNING;
  uint8_t delay = VP_DELAY_NONE;
  if (board->ticked) {
    if (board->answered)
      delay = board->answer_delay;
    else
      status |= VP_STATUS_LATE;
    if (board->fed)
      board->silent = 0;
    else if (board->silent < 255)
      ++board->silent;
    if (board->silent == 1 && !board->at_rest) *actions = VP_DO_ARM;
    if (board->silent >= 2) {
      board->tripped = 1;
      if (!board->at_rest) {
        rest(board);
        *actions = VP_DO_DAC;
      }
    }
  }
  if (board->at_rest) status |= VP_STATUS_AT_REST;
  if (board->tripped) status |= VP_STATUS_WATCHDOG;

  uint8_t n = 0;
  frame[n++] = 'T';
  n = put_hex(frame, n, board->seq, 4);
  n = put_hex(frame, n, in0 > VP_COUNT_MAX ? VP_COUNT_MAX : in0, 3);
  n = put_hex(frame, n, in1 > VP_COUNT_MAX ? VP_COUNT_MAX : in1, 3);
  n = put_hex(frame, n, status, 2);
  n = put_hex(frame, n, board->malformed, 2);
  n = put_hex(frame, n, delay, 2);

  board->seq = (uint16_t)(board->seq + 1u);
  board->ticked = 1;
  board->fed = 0;
  board->answered = 0;
  board->answer_delay = VP_DELAY_NONE;
  return vp_seal(frame, n);
}
