/* SPDX-License-Identifier: GPL-3.0-or-later */
/*
 * USB interface board: ATmega328P at 16 MHz, USB serial at 115200 baud 8N1,
 * MCP3204 ADC (chip select PB2) and MCP4822 DAC (chip select PB1, LDAC grounded) on
 * the SPI bus. Timer1 paces the sampling period; the protocol and the watchdog live
 * in protocol.c.
 */
#include <avr/interrupt.h>
#include <avr/io.h>
#include <avr/sleep.h>
#include <stdint.h>

#include "protocol.h"

#define BAUD 115200UL
/* Double speed: 16 MHz / (8 × 17) = 117 647 baud, 2.1 % off, as the Arduino core. */
#define UBRR_VALUE ((F_CPU / (8UL * BAUD)) - 1UL)

#define CS_ADC PB2
#define CS_DAC PB1
/* D8: high once the outputs have been put at rest, to enable the power amplifier. Held low
 * by a pull-down while the chip resets and the boot loader runs: the MCP4822 then reads 0,
 * which the inverting stage would turn into +10 V. */
#define POWER_ENABLE PB0

/* Receive ring (filled by the RX interrupt) and transmit ring (drained by UDRE). */
#define RX_SIZE 64u
#define TX_SIZE 128u
static volatile uint8_t rx_buffer[RX_SIZE];
static volatile uint8_t rx_head, rx_tail;
static volatile uint8_t tx_buffer[TX_SIZE];
static volatile uint8_t tx_head, tx_tail;

static volatile uint8_t tick_pending;
/* Set by the watchdog's compare interrupt: the outputs go to rest now. */
static volatile uint8_t deadline_pending;
/* Timer1 count at the last conversion, and the compare value of the period. */
static uint16_t conversion_count;
static uint16_t period_top;

static vp_board board;
static vp_line line;

/* Bytes lost because the receive ring was full, since the main loop last looked. */
static volatile uint8_t rx_overruns;

ISR(USART_RX_vect) {
  uint8_t byte = UDR0;
  uint8_t next = (uint8_t)((rx_head + 1u) % RX_SIZE);
  if (next != rx_tail) {
    rx_buffer[rx_head] = byte;
    rx_head = next;
  } else if (rx_overruns < 255u) {
    ++rx_overruns;
  }
}

ISR(USART_UDRE_vect) {
  if (tx_head == tx_tail) {
    UCSR0B &= (uint8_t)~(1u << UDRIE0);
    return;
  }
  UDR0 = tx_buffer[tx_tail];
  tx_tail = (uint8_t)((tx_tail + 1u) % TX_SIZE);
}

ISR(TIMER1_COMPA_vect) { tick_pending = 1; }

/* The watchdog's deadline: two periods after the last order, to the timer's count. */
static uint16_t last_order_count;
ISR(TIMER1_COMPB_vect) {
  TIMSK1 &= (uint8_t)~(1u << OCIE1B);
  deadline_pending = 1;
}

static void usart_init(void) {
  /* U2X before the rate: simavr derives its byte time when UBRR0L is written. */
  UCSR0A = (1u << U2X0);
  UBRR0H = (uint8_t)(UBRR_VALUE >> 8);
  UBRR0L = (uint8_t)UBRR_VALUE;
  UCSR0C = (1u << UCSZ01) | (1u << UCSZ00);
  UCSR0B = (1u << RXEN0) | (1u << TXEN0) | (1u << RXCIE0);
}

static void dac_apply(void);

/* The watchdog's rest, at once: it never waits behind the serial traffic. Called from
 * the main loop only, never while an SPI transfer is in progress. */
static void keep_deadline(void) {
  if (!deadline_pending) return;
  deadline_pending = 0;
  if (vp_board_deadline(&board) & VP_DO_DAC) dac_apply();
}

static void send(const char *text, uint8_t length) {
  for (uint8_t i = 0; i < length; ++i) {
    uint8_t next = (uint8_t)((tx_head + 1u) % TX_SIZE);
    while (next == tx_tail) {
      /* Full: the UDRE interrupt frees room; a deadline that falls meanwhile is kept. */
      keep_deadline();
    }
    tx_buffer[tx_head] = (uint8_t)text[i];
    tx_head = next;
    UCSR0B |= (1u << UDRIE0);
  }
}

static void spi_init(void) {
  PORTB |= (1u << CS_ADC) | (1u << CS_DAC);
  DDRB |= (1u << CS_ADC) | (1u << CS_DAC) | (1u << PB3) | (1u << PB5);
  DDRB &= (uint8_t)~(1u << PB4);
  /* Master, mode 0, F_CPU/16 = 1 MHz: within the MCP3204's 2 MHz at 5 V. */
  SPCR = (1u << SPE) | (1u << MSTR) | (1u << SPR0);
}

static uint8_t spi_transfer(uint8_t byte) {
  SPDR = byte;
  while (!(SPSR & (1u << SPIF))) {
  }
  return SPDR;
}

/* MCP3204 single-ended conversion of one channel: start bit, SGL, D2 in the first
 * byte, D1 D0 at the top of the second; B11..B8 return in the second byte's low
 * nibble, B7..B0 in the third. */
static uint16_t adc_read(uint8_t channel) {
  PORTB &= (uint8_t)~(1u << CS_ADC);
  spi_transfer((uint8_t)(0x06u | ((channel >> 2) & 0x01u)));
  uint8_t high = spi_transfer((uint8_t)((channel & 0x03u) << 6));
  uint8_t low = spi_transfer(0x00);
  PORTB |= (1u << CS_ADC);
  return (uint16_t)(((uint16_t)(high & 0x0Fu) << 8) | low);
}

/* MCP4822 write: A/B in bit 15, gain 2x (GA = 0), active (SHDN = 1); with LDAC tied
 * to ground the output follows at the chip select's rising edge. */
static void dac_write(uint8_t channel_b, uint16_t count) {
  uint16_t word = (uint16_t)((channel_b ? 0x8000u : 0u) | 0x1000u | (count & 0x0FFFu));
  PORTB &= (uint8_t)~(1u << CS_DAC);
  spi_transfer((uint8_t)(word >> 8));
  spi_transfer((uint8_t)word);
  PORTB |= (1u << CS_DAC);
}

static void dac_apply(void) {
  dac_write(0, board.order);
  dac_write(1, board.out1);
}

static void timer_start(uint16_t period_ms) {
  TCCR1B = 0;
  TIMSK1 = 0;
  /* 16 µs per count: period × 62.5 counts, rounded. */
  period_top = (uint16_t)((((uint32_t)period_ms * 125u) + 1u) / 2u - 1u);
  OCR1A = period_top;
  TCNT1 = 0;
  TIFR1 = (1u << OCF1A);
  TIMSK1 = (1u << OCIE1A);
  TCCR1A = 0;
  TCCR1B = (1u << WGM12) | (1u << CS12);
  tick_pending = 1;
}

static void timer_stop(void) {
  TCCR1B = 0;
  TIMSK1 = 0;
  TIFR1 = (1u << OCF1A) | (1u << OCF1B);
  tick_pending = 0;
  deadline_pending = 0;
}

/* The period after a tick with no order since the one before: the outputs rest at the
 * same point of the period as the last order came, two periods after it. */
static void deadline_arm(void) {
  uint16_t at = last_order_count;
  if (at <= conversion_count) at = (uint16_t)(conversion_count + 1u);
  if (at > period_top) at = period_top;
  OCR1B = at;
  TIFR1 = (1u << OCF1B);
  TIMSK1 |= (uint8_t)(1u << OCIE1B);
}

static void deadline_drop(void) {
  TIMSK1 &= (uint8_t)~(1u << OCIE1B);
  deadline_pending = 0;
}

/* Microseconds since the last conversion, within one period. */
static uint32_t since_conversion_us(void) {
  uint16_t now = TCNT1;
  uint16_t elapsed = now >= conversion_count
                         ? (uint16_t)(now - conversion_count)
                         : (uint16_t)(now + period_top + 1u - conversion_count);
  return (uint32_t)elapsed * 16u;
}

static void tick(void) {
  char frame[VP_FRAME_SIZE];
  uint8_t actions;
  conversion_count = TCNT1;
  uint16_t in0 = adc_read(0);
  uint16_t in1 = adc_read(1);
  uint8_t length = vp_board_tick(&board, in0, in1, frame, &actions);
  if (actions & VP_DO_DAC) dac_apply();
  if (actions & VP_DO_ARM) deadline_arm();
  send(frame, length);
}

static void handle(uint8_t byte) {
  uint8_t result = vp_line_push(&line, byte);
  if (result == VP_LINE_PENDING) return;
  uint8_t actions = vp_board_line(&board, result, line.text, line.completed);
  if (actions & VP_DO_STOP) timer_stop();
  if (actions & VP_DO_FED) {
    last_order_count = TCNT1;
    deadline_drop();
  }
  if (actions & VP_DO_DAC) dac_apply();
  if (actions & VP_DO_TIME) vp_board_answer_delay(&board, vp_delay_units(since_conversion_us()));
  if (actions & VP_DO_START) timer_start(board.period_ms);
  if (actions & VP_DO_BANNER) {
    char banner[VP_FRAME_SIZE];
    send(banner, vp_format_banner(banner));
  }
}

int main(void) {
  vp_board_init(&board);
  vp_line_reset(&line);
  spi_init();
  dac_apply();
  /* The order is at 0 V now: the power amplifier may be enabled. */
  DDRB |= (1u << POWER_ENABLE);
  PORTB |= (1u << POWER_ENABLE);
  usart_init();
  set_sleep_mode(SLEEP_MODE_IDLE);
  sei();
  {
    char banner[VP_FRAME_SIZE];
    send(banner, vp_format_banner(banner));
  }
  for (;;) {
    if (tick_pending) {
      tick_pending = 0;
      tick();
    }
    keep_deadline();
    if (rx_overruns) {
      cli();
      uint8_t lost = rx_overruns;
      rx_overruns = 0;
      sei();
      while (lost--) vp_board_overrun(&board);
    }
    /* A stream of bytes never holds back a tick or the watchdog's deadline. */
    while (rx_tail != rx_head && !tick_pending) {
      uint8_t byte = rx_buffer[rx_tail];
      rx_tail = (uint8_t)((rx_tail + 1u) % RX_SIZE);
      handle(byte);
      keep_deadline();
    }
    /* Sleep until the next interrupt unless one came in meanwhile; sei right before
     * sleep takes effect after the sleep instruction, so no wake-up is lost. */
    cli();
    if (!tick_pending && !deadline_pending && rx_tail == rx_head) {
      sleep_enable();
      sei();
      sleep_cpu();
      sleep_disable();
    }
    sei();
  }
}
