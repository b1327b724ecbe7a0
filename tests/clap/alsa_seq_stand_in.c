/* A stand-in for the ALSA sequencer, preloaded into Qtractor where there is none: every call
 * on a sequencer handle succeeds and nothing ever arrives. */
#include <errno.h>
#include <poll.h>
#include <stdlib.h>
#include <unistd.h>

typedef struct StandIn {
  int pipe[2]; /* its read end is the descriptor Qtractor polls; nothing is written */
} StandIn;

int snd_seq_open(void** handle, const char* name, int streams, int mode) {
  (void)name, (void)streams, (void)mode;
  StandIn* seq = calloc(1, sizeof *seq);
  if (seq == NULL || pipe(seq->pipe) != 0) {
    free(seq);
    return -ENOMEM;
  }
  *handle = seq;
  return 0;
}

int snd_seq_close(void* handle) {
  StandIn* seq = handle;
  close(seq->pipe[0]);
  close(seq->pipe[1]);
  free(seq);
  return 0;
}

int snd_seq_poll_descriptors_count(void* handle, short events) {
  (void)handle, (void)events;
  return 1;
}

int snd_seq_poll_descriptors(void* handle, struct pollfd* fds, unsigned int space, short events) {
  if (space < 1) return 0;
  fds[0].fd = ((StandIn*)handle)->pipe[0];
  fds[0].events = events;
  fds[0].revents = 0;
  return 1;
}

int snd_seq_client_id(void* handle) {
  (void)handle;
  return 128;
}

int snd_seq_event_input(void* handle, void** event) {
  (void)handle;
  *event = NULL;
  return -EAGAIN;
}

/* The rest take the handle first and their own arguments after it, which neither needs.
 * Asked for other clients, ports, subscribers or the queue's state: there are none. */
#define REFUSED(name) \
  int name(void* handle, ...) { return (void)handle, -ENOENT; }
REFUSED(snd_seq_query_next_client)
REFUSED(snd_seq_query_next_port)
REFUSED(snd_seq_query_port_subscribers)
REFUSED(snd_seq_get_any_client_info)
REFUSED(snd_seq_get_any_port_info)
REFUSED(snd_seq_get_queue_status)

/* What Qtractor asks of its own client, ports and queue: done, and nothing changes. */
#define ACCEPTED(name) \
  int name(void* handle, ...) { return (void)handle, 0; }
ACCEPTED(snd_seq_set_client_name)
ACCEPTED(snd_seq_alloc_queue)
ACCEPTED(snd_seq_free_queue)
ACCEPTED(snd_seq_create_simple_port)
ACCEPTED(snd_seq_delete_simple_port)
ACCEPTED(snd_seq_get_port_info)
ACCEPTED(snd_seq_set_port_info)
ACCEPTED(snd_seq_subscribe_port)
ACCEPTED(snd_seq_unsubscribe_port)
ACCEPTED(snd_seq_control_queue)
ACCEPTED(snd_seq_get_queue_tempo)
ACCEPTED(snd_seq_set_queue_tempo)
ACCEPTED(snd_seq_set_queue_timer)
ACCEPTED(snd_seq_event_output)
ACCEPTED(snd_seq_event_output_direct)
ACCEPTED(snd_seq_event_input_pending)
ACCEPTED(snd_seq_drain_output)
ACCEPTED(snd_seq_drop_input)
ACCEPTED(snd_seq_drop_output)
ACCEPTED(snd_seq_remove_events)
