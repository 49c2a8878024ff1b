/* SPDX-License-Identifier: GPL-3.0-or-later */
#ifndef VANTOR_FIRMWARE_PROTOCOL_H
#define VANTOR_FIRMWARE_PROTOCOL_H
/*
 * The serial protocol of the USB interface board and the board's behaviour, without
 * any hardware: line assembly, CRC-8, command parsing, frame formatting, and the
 * tick / watchdog / late-order state machine. main.c wires it to the USART, the SPI
 * chips and Timer1; the host tests drive it directly. See PROTOCOLE.md.
 */
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Longest line accepted, terminator excluded. */
#define VP_LINE_MAX 32
/* Room a formatted line needs: payload, '*', two hex digits, '\n', NUL. */
#define VP_FRAME_SIZE 24

#define VP_BANNER "VANTOR-USB 1 1.1"

#define VP_PERIOD_MIN_MS 10u
#define VP_PERIOD_MAX_MS 1000u
#define VP_COUNT_MAX 4095u
/* Outputs at rest: order 0 V (DAC A at mid-scale), output 1 at 0 V (DAC B at 0). */
#define VP_REST_ORDER 2048u
#define VP_REST_OUT1 0u
/* Delay field when no order answered the previous tick, or one 25.5 ms late or more. */
#define VP_DELAY_NONE 0xFFu

/* Status bits of the tick frame. */
#define VP_STATUS_RUNNING 0x01u
#define VP_STATUS_AT_REST 0x02u
#define VP_STATUS_WATCHDOG 0x04u
#define VP_STATUS_LATE 0x08u

/* CRC-8, polynomial 0x07, initial value 0, not reflected, no final xor. */
uint8_t vp_crc8(const char *bytes, uint8_t length);

/* Bytes in, lines out. */
typedef struct {
  char text[VP_LINE_MAX + 2];
  uint8_t length;    /* bytes of the line being assembled */
  uint8_t overlong;
  uint8_t completed; /* length of the line vp_line_push just returned as ready */
} vp_line;

enum { VP_LINE_PENDING = 0, VP_LINE_READY = 1, VP_LINE_OVERLONG = 2 };

void vp_line_reset(vp_line *line);
/* Adds one received byte. At '\n' returns VP_LINE_READY with the line in text
 * (NUL-terminated, the '\n' and a '\r' just before it removed; its length in
 * completed), or VP_LINE_OVERLONG
 * when it went past VP_LINE_MAX bytes; otherwise VP_LINE_PENDING. */
uint8_t vp_line_push(vp_line *line, uint8_t byte);

typedef enum {
  VP_CMD_EMPTY,     /* a bare line terminator: ignored */
  VP_CMD_MALFORMED,
  VP_CMD_START,
  VP_CMD_ORDER,
  VP_CMD_STOP,
  VP_CMD_VERSION
} vp_kind;

typedef struct {
  vp_kind kind;
  uint16_t period_ms; /* S */
  uint16_t seq;       /* O */
  uint16_t order;     /* O: DAC A count */
  uint16_t out1;      /* O: DAC B count */
} vp_command;

/* Parses a received line, terminator removed: "payload*XX". */
vp_command vp_parse(const char *text, uint8_t length);

/* Writes payload, '*', CRC, '\n' and a NUL into out (VP_FRAME_SIZE bytes); returns the
 * line's length without the NUL. */
uint8_t vp_seal(char *out, uint8_t payload_length);
uint8_t vp_format_banner(char *out);

/* Microseconds from a conversion to an order's application, in the delay field's
 * 0.1 ms units (VP_DELAY_NONE from 25.5 ms on). */
uint8_t vp_delay_units(uint32_t microseconds);

/* What the hardware has to do after a call. */
#define VP_DO_DAC 0x01u    /* write order (channel A) then out1 (channel B) */
#define VP_DO_START 0x02u  /* restart the period timer at period_ms; tick at once */
#define VP_DO_STOP 0x04u   /* stop the period timer, drop a pending tick */
#define VP_DO_BANNER 0x08u /* send the banner */
#define VP_DO_TIME 0x10u   /* this order answers the last tick: measure its delay
                              once applied and store it with vp_board_answer_delay */
#define VP_DO_FED 0x20u    /* a valid order fed the watchdog: note when, drop a deadline */
#define VP_DO_ARM 0x40u    /* a whole period passed without an order: call
                              vp_board_deadline two periods after the last order */

typedef struct {
  uint8_t running;
  uint8_t at_rest;
  uint8_t tripped;      /* watchdog tripped since the last start */
  uint8_t malformed;    /* malformed lines and receive overruns, wraps */
  uint8_t ticked;       /* a tick was sent since the start */
  uint8_t silent;       /* ticks in a row with no valid order before them */
  uint8_t fed;          /* a valid order arrived since the last tick */
  uint8_t answered;     /* the order answering the last tick arrived in time */
  uint8_t answer_delay; /* its delay, 0.1 ms units */
  uint16_t seq;         /* sequence number of the next tick */
  uint16_t period_ms;
  uint16_t order;       /* counts on the DAC */
  uint16_t out1;
} vp_board;

/* Power-up: stopped, outputs at rest (the caller writes the DAC). */
void vp_board_init(vp_board *board);
/* Handles one assembled line (vp_line_push's result and text); returns VP_DO_* bits.
 * An order is applied only when it answers the latest frame. */
uint8_t vp_board_line(vp_board *board, uint8_t line_result, const char *text,
                      uint8_t length);
void vp_board_answer_delay(vp_board *board, uint8_t delay_units);
/* Bytes were lost on reception (the receive buffer was full): counted with the
 * malformed lines, since the line they belonged to is damaged. */
void vp_board_overrun(vp_board *board);
/* Two periods after the last valid order (armed by VP_DO_ARM): the outputs go to rest
 * unless an order came meanwhile; returns VP_DO_DAC when they do. */
uint8_t vp_board_deadline(vp_board *board);
/* A tick: inputs 0 and 1 were just converted. Writes the frame into frame
 * (VP_FRAME_SIZE bytes) and returns its length, 0 (no frame) when stopped; *actions
 * gets VP_DO_ARM after a period without an order, VP_DO_DAC when the watchdog rests the
 * outputs at the tick (a deadline that could not be kept). */
uint8_t vp_board_tick(vp_board *board, uint16_t in0, uint16_t in1, char *frame,
                      uint8_t *actions);

#ifdef __cplusplus
}
#endif
#endif
