/* A host program in C over the library's C interface (qmz/qmz_c.h): it opens a suite
 * database, logs a user in, publishes a host property, creates BaseList and looks up one batch
 * of an item; given a script, a scripted user also picks a batch in the batch picker. Each
 * result is printed as the baselist command prints it.
 *
 *   cc c_host.c $(pkg-config --cflags --libs qmzbaselist) -o c_host
 *   c_host <suite database> <item id> <batch number> [<script>]
 */
#include <qmz/qmz_c.h>
#include <stdio.h>
#include <stdlib.h>

static int fail(const char* what) {
  fprintf(stderr, "c_host: %s: %s\n", what, qmz_last_error());
  return 1;
}

/* Calls a lookup or picker of BaseList with the five arguments they take, prints the result's
 * JSON and answers whether the call succeeded. */
static int call_and_print(qmz_object* list, const char* member, long item, const char* text) {
  qmz_value args[5];
  args[0].type = QMZ_INTEGER;
  args[0].as.integer = item;
  args[1].type = QMZ_TEXT;
  args[1].as.text = text;
  for (int i = 2; i < 5; i++) {
    args[i].type = QMZ_INTEGER;
    args[i].as.integer = 0;
  }
  qmz_result* result = NULL;
  const char* json = NULL;
  if (qmz_invoke(list, member, args, 5, &result) != QMZ_OK) return 0;
  int ok = qmz_result_json(result, &json) == QMZ_OK;
  if (ok) printf("%s: %s\n", member, json);
  qmz_result_destroy(result);
  return ok;
}

int main(int argc, char** argv) {
  if (argc != 4 && argc != 5) {
    fprintf(stderr, "usage: c_host <suite database> <item id> <batch number> [<script>]\n");
    return 2;
  }
  qmz_session* session = NULL;
  if (qmz_session_open(argv[1], "administrator", &session) != QMZ_OK) return fail("open");
  qmz_object* list = NULL;
  int code = 0;
  if (qmz_session_set_bool(session, "ICClosed", 1) != QMZ_OK ||
      qmz_create(session, "QMZBaseList.BaseList", &list) != QMZ_OK) {
    code = fail("set up");
  } else if (!call_and_print(list, "GetBatch", atol(argv[2]), argv[3])) {
    code = fail("GetBatch");
  } else if (argc == 5) {
    if (qmz_session_set_dialogs(session, QMZ_DIALOGS_SCRIPTED, argv[4]) != QMZ_OK ||
        !call_and_print(list, "ShowBatch", atol(argv[2]), "")) {
      code = fail("ShowBatch");
    }
  }
  qmz_object_destroy(list);
  qmz_session_close(session);
  return code;
}
