/* The C interface from C, on a demo suite database: every kind of result, the failures a host
 * can make, and a thousand calls (run under AddressSanitizer, whose leak check fails the test
 * when a handle's memory is not given back).
 *
 *   capi_test <demo database>
 */
#define _POSIX_C_SOURCE 200809L
#include <qmz/qmz_c.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static int failures = 0;

#define CHECK(condition)                                                      \
  do {                                                                        \
    if (!(condition)) {                                                       \
      fprintf(stderr, "%s:%d: failed: %s\n", __FILE__, __LINE__, #condition); \
      failures++;                                                             \
    }                                                                         \
  } while (0)

#define CHECK_TEXT(actual, expected)                                                         \
  do {                                                                                       \
    const char* a_ = (actual);                                                               \
    if (a_ == NULL || strcmp(a_, (expected)) != 0) {                                         \
      fprintf(stderr, "%s:%d: %s is \"%s\", expected \"%s\"\n", __FILE__, __LINE__, #actual, \
              a_ ? a_ : "(null)", (expected));                                               \
      failures++;                                                                            \
    }                                                                                        \
  } while (0)

static qmz_value integer(int64_t v) {
  return (qmz_value){.type = QMZ_INTEGER, .as.integer = v};
}

static qmz_value text(const char* t) {
  return (qmz_value){.type = QMZ_TEXT, .as.text = t};
}

static qmz_result* invoke5(qmz_object* list, const char* member, int64_t item, const char* t) {
  qmz_value args[5] = {integer(item), text(t), integer(0), integer(0), integer(0)};
  qmz_result* result = NULL;
  qmz_status status = qmz_invoke(list, member, args, 5, &result);
  if (status != QMZ_OK) fprintf(stderr, "%s: %s\n", member, qmz_last_error());
  return result;
}

static void opening_fails_with_a_status(const char* db) {
  qmz_session* session = NULL;
  CHECK(qmz_session_open("/nonexistent/suite.db", "clerk", &session) == QMZ_E_COMPONENT);
  CHECK(session == NULL);
  CHECK(strstr(qmz_last_error(), "/nonexistent/suite.db") != NULL);
  CHECK(qmz_session_open(db, "nobody", &session) == QMZ_E_COMPONENT);
  CHECK_TEXT(qmz_last_error(), "Unknown user of the suite: nobody");
  CHECK(qmz_session_open(NULL, "clerk", &session) == QMZ_E_ARGUMENT);
  CHECK_TEXT(qmz_last_error(), "target is NULL");
  /* The health check needs no session: a missing database is the reason, a suite answers. */
  qmz_result* health = NULL;
  CHECK(qmz_check("/nonexistent/suite.db", NULL, &health) == QMZ_E_COMPONENT && health == NULL);
  CHECK(qmz_check(db, db, &health) == QMZ_OK);
  qmz_value server;
  CHECK(qmz_dict_get(health, "server", &server) == QMZ_OK && server.type == QMZ_TEXT &&
        strncmp(server.as.text, "SQLite 3.", 9) == 0);
  const char* json = NULL;
  CHECK(qmz_result_json(health, &json) == QMZ_OK && strstr(json, "\"read\": {") != NULL);
  qmz_result_destroy(health);
}

static void a_dictionary_reads_by_index_and_key(qmz_object* list) {
  qmz_result* row = invoke5(list, "GetBatch", 1, "B2601");
  qmz_result_kind kind = QMZ_RESULT_OTHER;
  CHECK(qmz_result_kind_of(row, &kind) == QMZ_OK && kind == QMZ_RESULT_DICTIONARY);
  size_t count = 0;
  CHECK(qmz_dict_count(row, &count) == QMZ_OK && count == 16);
  const char* key = NULL;
  qmz_value value;
  CHECK(qmz_dict_entry(row, 2, &key, &value) == QMZ_OK && value.type == QMZ_TEXT);
  CHECK_TEXT(key, "stockName");
  CHECK_TEXT(value.as.text, "北京仓");
  CHECK(qmz_dict_get(row, "FQty", &value) == QMZ_OK && value.type == QMZ_TEXT);
  CHECK_TEXT(value.as.text, "120");
  CHECK(qmz_dict_get(row, "fqty", &value) == QMZ_E_NOT_FOUND);
  CHECK_TEXT(qmz_last_error(), "qmz_dict_get: no key fqty");
  /* Every entry at once: asked with no room, then with room for fewer and for all. */
  const char* keys[16];
  qmz_value values[16];
  size_t all = 0;
  CHECK(qmz_dict_entries(row, NULL, NULL, 0, &all) == QMZ_OK && all == 16);
  CHECK(qmz_dict_entries(row, keys, values, 3, &all) == QMZ_OK && all == 16);
  CHECK_TEXT(keys[2], "stockName");
  CHECK(qmz_dict_entries(row, keys, values, 16, &all) == QMZ_OK && all == 16);
  CHECK_TEXT(keys[3], "FQty");
  CHECK(values[3].type == QMZ_TEXT);
  CHECK_TEXT(values[3].as.text, "120");
  CHECK(qmz_dict_entries(row, NULL, values, 16, &all) == QMZ_E_ARGUMENT);
  /* A row of texts as one buffer: key, NUL, value, NUL, ... */
  const char* packed = NULL;
  size_t length = 0;
  CHECK(qmz_dict_texts(row, &packed, &length) == QMZ_OK);
  static const char head[] =
      "FBatchNo\0"
      "B2601\0"
      "AuxName\0"
      "\0"
      "stockName\0"
      "北京仓\0"
      "FQty\0"
      "120\0";
  CHECK(length > sizeof head && memcmp(packed, head, sizeof head - 1) == 0);
  CHECK(strcmp(packed + length - strlen("FBatchNoIndex") - 2, "FBatchNoIndex") == 0);
  CHECK(packed[length] == '\0' && packed[length - 1] == '0');
  /* The same row in one call, packed alike; nothing found: no buffer and no result. */
  qmz_value five[5] = {integer(1), text("B2601"), integer(0), integer(0), integer(0)};
  const char* direct = NULL;
  size_t direct_length = 0;
  qmz_result* other = (qmz_result*)&length;
  CHECK(qmz_invoke_texts(list, "GetBatch", five, 5, &direct, &direct_length, &other) == QMZ_OK);
  CHECK(other == NULL && direct_length == length && memcmp(direct, packed, length) == 0);
  five[1] = text("NOSUCHBATCH"); /* a row of empty texts */
  CHECK(qmz_invoke_texts(list, "GetBatch", five, 5, &direct, &direct_length, &other) == QMZ_OK);
  CHECK(other == NULL && direct_length > 19 && memcmp(direct, "FBatchNo\0\0AuxName\0\0", 19) == 0);
  CHECK(qmz_invoke_texts(list, "GetBatch", five, 5, NULL, &direct_length, &other) ==
        QMZ_E_ARGUMENT);
  CHECK(qmz_dict_entry(row, 16, &key, &value) == QMZ_E_ARGUMENT);
  CHECK_TEXT(qmz_last_error(), "qmz_dict_entry: index 16 is outside 0..16 (exclusive)");
  CHECK(qmz_recordset_record_count(row, &count) == QMZ_E_KIND);
  CHECK_TEXT(qmz_last_error(),
             "qmz_recordset_record_count: the result is a dictionary, not a recordset");
  const char* json = NULL;
  CHECK(qmz_result_json(row, &json) == QMZ_OK);
  CHECK_TEXT(json,
             "{\n  \"FBatchNo\": \"B2601\",\n  \"AuxName\": \"\",\n  \"stockName\": \"北京仓\",\n"
             "  \"FQty\": \"120\",\n  \"FUnitName\": \"个\",\n  \"FSecQty\": \"0\",\n"
             "  \"Fprice\": \"0\",\n  \"FAmount\": \"300\",\n  \"FKFDate\": \"2026-01-05\",\n"
             "  \"FPeriodDate\": \"2027-01-05\",\n  \"StockNumber\": \"01\",\n"
             "  \"AuxNumber\": \"\",\n  \"AuxPropID\": \"\",\n  \"FitemID\": \"1\",\n"
             "  \"FISKFPeriod\": \"1\",\n  \"FBatchNoIndex\": \"0\"\n}");
  const char* same = NULL;
  CHECK(qmz_value_json(row, &same) == QMZ_OK && same == json); /* the 1.0 name */
  CHECK(qmz_result_destroy(row) == QMZ_OK);
}

static void a_scripted_user_picks_several_rows(qmz_session* session, qmz_object* list) {
  /* Without dialogs a dialog operation fails; a user who chooses nothing answers null. */
  qmz_value args[5] = {integer(1), text(""), integer(0), integer(0), integer(0)};
  qmz_result* none = NULL;
  CHECK(qmz_invoke(list, "ShowBatch", args, 5, &none) == QMZ_E_COMPONENT);
  CHECK_TEXT(qmz_last_error(), "No modal host can show frmStock");
  CHECK(qmz_session_set_dialogs(session, QMZ_DIALOGS_SCRIPTED, "click cmdNo") == QMZ_OK);
  none = invoke5(list, "ShowBatch", 1, "");
  qmz_result_kind kind = QMZ_RESULT_OTHER;
  CHECK(qmz_result_kind_of(none, &kind) == QMZ_OK && kind == QMZ_RESULT_NULL);
  const char* json = NULL;
  CHECK(qmz_result_json(none, &json) == QMZ_OK);
  CHECK_TEXT(json, "null");
  qmz_value value;
  CHECK(qmz_result_scalar(none, &value) == QMZ_OK && value.type == QMZ_NULL);
  qmz_result_destroy(none);
  const char* packed = "";
  size_t length = 1;
  none = (qmz_result*)&length; /* null in one call: no buffer and no result */
  CHECK(qmz_invoke_texts(list, "ShowBatch", args, 5, &packed, &length, &none) == QMZ_OK);
  CHECK(packed == NULL && length == 0 && none == NULL);

  CHECK(qmz_session_set_dialogs(session, QMZ_DIALOGS_SCRIPTED, "row 2; click cmdYes") == QMZ_OK);
  qmz_result* rows = invoke5(list, "ShowBatchForMultiSelBatchNo", 1, "");
  CHECK(qmz_result_kind_of(rows, &kind) == QMZ_OK && kind == QMZ_RESULT_VECTOR);
  size_t count = 0;
  CHECK(qmz_vector_count(rows, &count) == QMZ_OK && count == 1);
  qmz_result* first = NULL;
  CHECK(qmz_result_item(rows, 0, &first) == QMZ_OK);
  qmz_result_destroy(rows); /* the item lives on by itself */
  CHECK(qmz_dict_get(first, "FBatchNo", &value) == QMZ_OK);
  CHECK_TEXT(value.as.text, "A'B");
  CHECK(qmz_dict_get(first, "Fprice", &value) == QMZ_OK && value.type == QMZ_DOUBLE &&
        value.as.number == 2.0);
  qmz_result_destroy(first);

  /* A script the dialog cannot play fails the operation with the reason. */
  CHECK(qmz_session_set_dialogs(session, QMZ_DIALOGS_SCRIPTED, "click cmdNope") == QMZ_OK);
  rows = NULL;
  CHECK(qmz_invoke(list, "ShowBatch", args, 5, &rows) == QMZ_E_COMPONENT && rows == NULL);
  CHECK_TEXT(qmz_last_error(), "The form frmStock has no control cmdNope");
  /* What the dialogs said is kept for the host, and handed out once. */
  const char* messages = NULL;
  CHECK(qmz_session_messages(session, &messages) == QMZ_OK);
  CHECK_TEXT(messages, "[script] The form frmStock has no control cmdNope\n");
  CHECK(qmz_session_messages(session, &messages) == QMZ_OK);
  CHECK_TEXT(messages, "");
  CHECK(qmz_session_set_dialogs(session, QMZ_DIALOGS_NONE, NULL) == QMZ_OK);
}

static qmz_value number(double v) {
  return (qmz_value){.type = QMZ_DOUBLE, .as.number = v};
}

/* The take of row `index` of a vector of rows. */
static double taken(qmz_result* rows, size_t index) {
  qmz_result* row = NULL;
  qmz_value value;
  value.type = QMZ_NULL;
  if (qmz_result_item(rows, index, &row) == QMZ_OK) qmz_dict_get(row, "FTakeQty", &value);
  qmz_result_destroy(row);
  return value.type == QMZ_DOUBLE ? value.as.number : -1;
}

static void a_required_quantity_is_covered(qmz_session* session, qmz_object* list) {
  CHECK(qmz_session_set_text(session, "DocumentDate", "2027-01-10") == QMZ_OK);
  CHECK(qmz_set_property(list, "RequiredQty", number(10)) == QMZ_OK);
  CHECK(qmz_session_set_dialogs(session, QMZ_DIALOGS_SCRIPTED, "click cmdYes") == QMZ_OK);
  qmz_result* rows = invoke5(list, "ShowBatchForMultiSelBatchNo", 1, "");
  size_t count = 0;
  CHECK(qmz_vector_count(rows, &count) == QMZ_OK && count == 2);
  CHECK(taken(rows, 0) == 7 && taken(rows, 1) == 3); /* B2601 has expired: A'B, then B2603 */
  qmz_result_destroy(rows);
  CHECK(qmz_set_property(list, "RequiredQty", number(0)) == QMZ_OK);
  CHECK(qmz_session_set_dialogs(session, QMZ_DIALOGS_NONE, NULL) == QMZ_OK);
  /* Without a dialog the clerk's data authorisation applies: 北京仓 and 虚拟仓 only. */
  CHECK(qmz_session_set_text(session, "DocumentDate", "2027-01-01") == QMZ_OK);
  qmz_value args[5] = {integer(1), number(200), integer(0), integer(0), integer(0)};
  /* In one call: an answer of no texts alone comes back as a result. */
  const char* packed = "";
  size_t length = 1;
  CHECK(qmz_invoke_texts(list, "AllocateBatches", args, 5, &packed, &length, &rows) == QMZ_OK);
  CHECK(packed == NULL && length == 0 && rows != NULL);
  qmz_result_destroy(rows);
  CHECK(qmz_invoke(list, "AllocateBatches", args, 5, &rows) == QMZ_OK);
  CHECK(qmz_vector_count(rows, &count) == QMZ_OK && count == 2);
  CHECK(taken(rows, 0) == 120 && taken(rows, 1) == 5);
  qmz_result* last = NULL;
  qmz_value missing;
  CHECK(qmz_result_item(rows, 1, &last) == QMZ_OK);
  CHECK(qmz_dict_get(last, "FMissingQty", &missing) == QMZ_OK && missing.type == QMZ_DOUBLE &&
        missing.as.number == 75);
  qmz_result_destroy(last);
  qmz_result_destroy(rows);
  CHECK(qmz_session_set_text(session, "DocumentDate", "someday") == QMZ_OK);
  CHECK(qmz_invoke(list, "AllocateBatches", args, 5, &rows) == QMZ_E_COMPONENT);
  CHECK_TEXT(qmz_last_error(), "The host's DocumentDate someday is not a date (YYYY-MM-DD)");
  args[1] = number(-5);
  CHECK(qmz_invoke(list, "AllocateBatches", args, 5, &rows) == QMZ_E_COMPONENT);
  CHECK_TEXT(qmz_last_error(), "The quantity to allocate, -5, is not a number above 0");
  CHECK(qmz_session_set_text(session, "DocumentDate", "") == QMZ_OK);
}

static void a_recordset_reads_by_record_and_field(qmz_session* session, qmz_object* list) {
  CHECK(qmz_session_set_dialogs(session, QMZ_DIALOGS_SCRIPTED, "dblclick 2") == QMZ_OK);
  qmz_value args[2] = {integer(0), integer(18)};
  qmz_result* records = NULL;
  CHECK(qmz_invoke(list, "Show", args, 2, &records) == QMZ_OK);
  size_t fields = 0, count = 0;
  CHECK(qmz_recordset_field_count(records, &fields) == QMZ_OK && fields > 5);
  CHECK(qmz_recordset_record_count(records, &count) == QMZ_OK && count == 1);
  const char* name = NULL;
  CHECK(qmz_recordset_field_name(records, 4, &name) == QMZ_OK);
  CHECK_TEXT(name, "FBatchNo");
  qmz_value value;
  CHECK(qmz_recordset_value(records, 0, 4, &value) == QMZ_OK);
  CHECK_TEXT(value.as.text, "A'B");
  CHECK(qmz_recordset_value(records, 0, 3, &value) == QMZ_OK && value.type == QMZ_INTEGER &&
        value.as.integer == 1);
  CHECK(qmz_recordset_value(records, 0, 2, &value) == QMZ_OK && value.type == QMZ_NULL);
  CHECK(qmz_recordset_value(records, 1, 0, &value) == QMZ_E_ARGUMENT);
  qmz_result_destroy(records);
  qmz_session_set_dialogs(session, QMZ_DIALOGS_NONE, NULL);
}

static void mistakes_give_a_status_and_a_message(qmz_session* session, qmz_object* list) {
  qmz_result* result = NULL;
  CHECK(qmz_invoke(list, "NoSuchMember", NULL, 0, &result) == QMZ_E_COMPONENT);
  CHECK(strstr(qmz_last_error(), "NoSuchMember") != NULL);
  qmz_value two[2] = {integer(1), text("B2601")};
  CHECK(qmz_invoke(list, "GetBatch", two, 2, &result) == QMZ_E_COMPONENT);
  CHECK_TEXT(qmz_last_error(), "Argument not optional: GetBatch expects more than 2 argument(s)");
  qmz_value wrong[5] = {text("one"), text("B2601"), integer(0), integer(0), integer(0)};
  CHECK(qmz_invoke(list, "GetBatch", wrong, 5, &result) == QMZ_E_COMPONENT);
  CHECK_TEXT(qmz_last_error(), "Type mismatch");
  qmz_value odd = {.type = (qmz_type)42, .as.integer = 0};
  CHECK(qmz_invoke(list, "GetBatch", &odd, 1, &result) == QMZ_E_ARGUMENT);
  CHECK_TEXT(qmz_last_error(), "Unknown value type 42");
  CHECK(qmz_invoke(list, "GetBatch", NULL, 5, &result) == QMZ_E_ARGUMENT);
  CHECK(qmz_invoke(list, "GetBatch", two, SIZE_MAX, &result) == QMZ_E_ARGUMENT);
  CHECK_TEXT(qmz_last_error(),
             "count: a member takes at most 64 arguments, not 18446744073709551615");
  CHECK(qmz_set_property(list, "GetBatch", text("x")) == QMZ_E_COMPONENT);
  CHECK_TEXT(qmz_last_error(), "Not a property of BaseList: GetBatch");
  CHECK(qmz_set_property(list, "keyword", text("B26")) == QMZ_OK);
  CHECK(result == NULL);

  CHECK(qmz_invoke(NULL, "GetBatch", NULL, 0, &result) == QMZ_E_HANDLE);
  CHECK_TEXT(qmz_last_error(), "qmz_invoke: the object is NULL");
  CHECK(qmz_invoke((qmz_object*)session, "GetBatch", NULL, 0, &result) == QMZ_E_HANDLE);
  CHECK_TEXT(qmz_last_error(), "qmz_invoke: a session handle was given where an object is wanted");
  qmz_object* other = NULL;
  CHECK(qmz_create(session, "QMZBaseList.BaseList", &other) == QMZ_OK);
  CHECK(qmz_object_destroy(other) == QMZ_OK);
  CHECK(qmz_object_destroy(other) == QMZ_E_HANDLE);
  CHECK(qmz_invoke(other, "GetBatch", NULL, 0, &result) == QMZ_E_HANDLE);
  CHECK_TEXT(qmz_last_error(),
             "qmz_invoke: the object handle is not a live handle (destroyed, or never made)");
  CHECK(qmz_result_destroy((qmz_result*)(size_t)12345) == QMZ_E_HANDLE);
  CHECK(qmz_create(session, "No.Such", &other) == QMZ_E_COMPONENT);
  CHECK(qmz_create(session, "{942525AF-49FE-4A89-8DA1-9A6964F14C86}", &other) == QMZ_OK);
  qmz_object_destroy(other);
  CHECK(qmz_session_set_dialogs(session, (qmz_dialogs)7, NULL) == QMZ_E_ARGUMENT);
  /* Without a display, a library host is told how it plays the user's actions. */
  const char* platform = getenv("QT_QPA_PLATFORM");
  char* saved = platform ? strdup(platform) : NULL;
  unsetenv("QT_QPA_PLATFORM");
  unsetenv("DISPLAY");
  unsetenv("WAYLAND_DISPLAY");
  CHECK(qmz_session_set_dialogs(session, QMZ_DIALOGS_QT, NULL) == QMZ_E_COMPONENT);
  CHECK_TEXT(qmz_last_error(),
             "No display for the dialog: run on a desktop, let a scripted user play the user's "
             "actions (the baselist command's --script \"row 2; click cmdYes\", "
             "QMZ_DIALOGS_SCRIPTED in the C interface, scripted_user in Python), or set "
             "QT_QPA_PLATFORM=offscreen");
  if (saved) setenv("QT_QPA_PLATFORM", saved, 1);
  free(saved);
}

static void a_thousand_calls_give_everything_back(qmz_object* list) {
  size_t before = 0, after = 0;
  CHECK(qmz_handle_count(&before) == QMZ_OK);
  for (int i = 0; i < 1000; i++) {
    qmz_result* row = invoke5(list, "GetBatch", 1, "B2601");
    const char* json = NULL;
    qmz_value value;
    if (qmz_result_json(row, &json) != QMZ_OK || qmz_dict_get(row, "FQty", &value) != QMZ_OK ||
        strcmp(value.as.text, "120") != 0) {
      CHECK(!"every call answers the same row");
      break;
    }
    qmz_invoke(list, "NoSuchMember", NULL, 0, &row); /* a failure leaves row as it was */
    qmz_result_destroy(row);
  }
  CHECK(qmz_handle_count(&after) == QMZ_OK && after == before);
}

int main(int argc, char** argv) {
  if (argc != 2) {
    fprintf(stderr, "usage: capi_test <demo database>\n");
    return 2;
  }
  opening_fails_with_a_status(argv[1]);
  qmz_session* session = NULL;
  CHECK(qmz_session_open(argv[1], "clerk", &session) == QMZ_OK);
  CHECK(qmz_session_set_integer(session, "ICClosed", 1) == QMZ_OK);
  qmz_session* second = NULL;
  CHECK(qmz_session_open(argv[1], "clerk", &second) == QMZ_E_STATE);
  CHECK_TEXT(qmz_last_error(), "A session is already open in this process; close it first");
  qmz_object* list = NULL;
  CHECK(qmz_create(session, "QMZBaseList.BaseList", &list) == QMZ_OK);

  a_dictionary_reads_by_index_and_key(list);
  a_scripted_user_picks_several_rows(session, list);
  a_recordset_reads_by_record_and_field(session, list);
  a_required_quantity_is_covered(session, list);
  mistakes_give_a_status_and_a_message(session, list);
  a_thousand_calls_give_everything_back(list);

  CHECK(qmz_session_close(session) == QMZ_OK);
  qmz_result* result = NULL;
  CHECK(qmz_invoke(list, "GetBatch", NULL, 0, &result) == QMZ_E_STATE);
  CHECK_TEXT(qmz_last_error(), "qmz_invoke: the object's session is closed");
  CHECK(qmz_object_destroy(list) == QMZ_OK);
  CHECK(qmz_session_close(session) == QMZ_E_HANDLE);
  size_t live = 1;
  CHECK(qmz_handle_count(&live) == QMZ_OK && live == 0);
  if (failures) fprintf(stderr, "%d check(s) failed\n", failures);
  return failures ? 1 : 0;
}
