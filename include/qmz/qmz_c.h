/* The C interface of QMZBaseList (libqmzbaselist.so.1), for hosts in C and for any language
 * with a C foreign-function interface (Python ctypes, and the like). C99.
 *
 * Handles: qmz_session, qmz_object and qmz_result are opaque. Each is released by its own
 * destroy function; a NULL handle, one already destroyed, or a handle of another kind is
 * refused with QMZ_E_HANDLE (handles are never reused, so a stale one cannot reach a newer
 * object). Destroy functions accept NULL and stale handles too and then do nothing but answer
 * QMZ_E_HANDLE.
 *
 * Status: every function answers a qmz_status; QMZ_OK is 0. On failure the out parameters are
 * left as they were and qmz_last_error() gives the message (UTF-8) of the calling thread's
 * last failure. No C++ exception ever leaves the library.
 *
 * Sessions: one session at a time per process (the suite's login and the host properties are
 * process-wide); a second qmz_session_open fails with QMZ_E_STATE until the first is closed.
 * Objects created in a session answer QMZ_E_STATE once it is closed.
 *
 * Texts: UTF-8 in and out. A text a result hands out (keys, values, field names, JSON) lives
 * as long as that result; texts passed in are copied before the call returns.
 *
 * Threading: open the session, create objects, call them and read their results on one thread
 * (the host's user-interface thread): the component's settings and dialogs belong to the thread
 * that uses them. qmz_last_error() is per thread.
 */
#ifndef QMZ_QMZ_C_H
#define QMZ_QMZ_C_H

#include <stddef.h>
#include <stdint.h>

#if defined(_WIN32) && defined(QMZ_BUILDING_DLL)
#define QMZ_C_API __declspec(dllexport)
#elif defined(_WIN32)
#define QMZ_C_API __declspec(dllimport)
#elif defined(__GNUC__)
#define QMZ_C_API __attribute__((visibility("default")))
#else
#define QMZ_C_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

typedef enum qmz_status {
  QMZ_OK = 0,
  QMZ_E_ARGUMENT = 1,  /* a NULL pointer, an unknown type tag, an index out of range */
  QMZ_E_HANDLE = 2,    /* a NULL, destroyed or wrong-kind handle */
  QMZ_E_COMPONENT = 3, /* the suite or the component refused: a missing database, an unknown
                          user, an unknown member, a wrong argument count or type */
  QMZ_E_NOT_FOUND = 4, /* a key the dictionary does not hold */
  QMZ_E_KIND = 5,      /* the result is not of the kind the function reads */
  QMZ_E_STATE = 6,     /* a session is already open, or the object's session is closed */
  QMZ_E_INTERNAL = 7   /* anything else (out of memory) */
} qmz_status;

typedef enum qmz_type {
  QMZ_NULL = 0,
  QMZ_BOOL = 1,
  QMZ_INTEGER = 2,
  QMZ_DOUBLE = 3,
  QMZ_TEXT = 4
} qmz_type;

/* A scalar value. `text` is UTF-8, NUL-terminated; NULL reads as an empty text. */
typedef struct qmz_value {
  qmz_type type;
  union {
    int boolean;
    int64_t integer;
    double number;
    const char* text;
  } as;
} qmz_value;

typedef enum qmz_result_kind {
  QMZ_RESULT_NULL = 0,       /* no object: nothing chosen, nothing found */
  QMZ_RESULT_SCALAR = 1,     /* a qmz_value */
  QMZ_RESULT_DICTIONARY = 2, /* keys and values, in order */
  QMZ_RESULT_VECTOR = 3,     /* items (dictionaries), read with qmz_result_item */
  QMZ_RESULT_RECORDSET = 4,  /* fields and records */
  QMZ_RESULT_OTHER = 5       /* another object; only its JSON ("<object>") can be read */
} qmz_result_kind;

typedef enum qmz_dialogs {
  QMZ_DIALOGS_NONE = 0,    /* dialog operations fail ("No modal host can show ...") */
  QMZ_DIALOGS_QT = 1,      /* real Qt dialogs, on the host's QApplication when it has one */
  QMZ_DIALOGS_SCRIPTED = 2 /* a scripted user plays the script given (docs/dialogs.md) */
} qmz_dialogs;

typedef struct qmz_session qmz_session;
typedef struct qmz_object qmz_object;
typedef struct qmz_result qmz_result;

/* The message of the calling thread's last failure ("" when none); valid until the next
 * failure on this thread. */
QMZ_C_API const char* qmz_last_error(void);
/* The library's version, "major.minor.patch". */
QMZ_C_API const char* qmz_version(void);
/* How many handles (sessions, objects, results) are live in this process: a host can check
 * that it destroys what it makes. */
QMZ_C_API qmz_status qmz_handle_count(size_t* count);

/* Opens the suite database `target` (a SQLite file, or "odbc:" and a connection string) and
 * logs `user` in; with `outer_login` non-zero, as a host that logged in from outside. */
QMZ_C_API qmz_status qmz_session_open(const char* target, const char* user, qmz_session** out);
QMZ_C_API qmz_status qmz_session_open_ex(const char* target, const char* user, int outer_login,
                                         qmz_session** out);
/* The same with `read_target` (NULL or "" for none), a standby of the same suite where the
 * lookups and lists read; saves go to `target`. */
QMZ_C_API qmz_status qmz_session_open_read(const char* target, const char* read_target,
                                           const char* user, int outer_login, qmz_session** out);
/* A host's health check of a suite database, no session needed: connects as a desk would
 * (within the desk's connect and query timeouts), reads the suite's schema, and answers a
 * dictionary result: server, read_only (a standby in recovery, or read-only by default),
 * application_name, round_trip_ms; with a `read_target` (NULL or "" for none) its own under
 * "read" (read the whole with qmz_result_json). QMZ_E_COMPONENT with the reason when it cannot
 * connect or holds no suite. */
QMZ_C_API qmz_status qmz_check(const char* target, const char* read_target, qmz_result** out);
/* What the suite last set aside without troubling the user ("" for nothing since the session
 * opened): a user's setting that could not be saved, and why. Valid until the next call. */
QMZ_C_API const char* qmz_last_warning(void);
/* Closes the session: its dialogs end and its host properties are withdrawn. */
QMZ_C_API qmz_status qmz_session_close(qmz_session* session);

/* Host properties the component reads (e.g. ICClosed), published while the session lives. */
QMZ_C_API qmz_status qmz_session_set_bool(qmz_session* session, const char* key, int value);
QMZ_C_API qmz_status qmz_session_set_integer(qmz_session* session, const char* key, int64_t value);
QMZ_C_API qmz_status qmz_session_set_text(qmz_session* session, const char* key, const char* value);

/* Where the dialog operations show their dialogs from now on; `script` is read for
 * QMZ_DIALOGS_SCRIPTED only. Fails (QMZ_E_COMPONENT) for Qt dialogs without a display or in a
 * build without Qt, and for a script that cannot be read; the dialogs are then none. */
QMZ_C_API qmz_status qmz_session_set_dialogs(qmz_session* session, qmz_dialogs dialogs,
                                             const char* script);
/* What the scripted user's dialogs said ("[title] text" lines) since the last call; the text
 * lives until the next call on the session. */
QMZ_C_API qmz_status qmz_session_messages(qmz_session* session, const char** text);

/* Creates a component by ProgID ("QMZBaseList.BaseList") or class id in braces. */
QMZ_C_API qmz_status qmz_create(qmz_session* session, const char* prog_id, qmz_object** out);
QMZ_C_API qmz_status qmz_object_destroy(qmz_object* object);
/* Writes a property (KeyWord, Filter, FilterItem, RequiredQty). */
QMZ_C_API qmz_status qmz_set_property(qmz_object* object, const char* name, qmz_value value);
/* Calls a member by name (any case) with `count` arguments; `args` may be NULL when count is
 * 0. The result is a new handle, to be destroyed. An operation of BaseList that failed inside
 * (the database could not be asked, a script the dialog could not play) answers
 * QMZ_E_COMPONENT with the reason, where the component itself answers null. */
QMZ_C_API qmz_status qmz_invoke(qmz_object* object, const char* member, const qmz_value* args,
                                size_t count, qmz_result** out);
/* qmz_invoke for hosts whose every call costs (a lookup per order line): a dictionary whose every
 * value is a text comes back packed as qmz_dict_texts packs it, in a buffer of the calling
 * thread that lives until its next qmz_invoke_texts, with *out NULL; null comes back as
 * *packed NULL, *length 0 and *out NULL; any other answer as *out, a result to be destroyed,
 * with *packed NULL. Fails as qmz_invoke does. */
QMZ_C_API qmz_status qmz_invoke_texts(qmz_object* object, const char* member, const qmz_value* args,
                                      size_t count, const char** packed, size_t* length,
                                      qmz_result** out);

QMZ_C_API qmz_status qmz_result_destroy(qmz_result* result);
QMZ_C_API qmz_status qmz_result_kind_of(const qmz_result* result, qmz_result_kind* kind);
/* The whole result as JSON, as the baselist command prints it (two-space indent). */
QMZ_C_API qmz_status qmz_result_json(const qmz_result* result, const char** json);
/* The same under its 1.0 name, kept for the hosts of 1.x. */
QMZ_C_API qmz_status qmz_value_json(const qmz_result* result, const char** json);
/* A scalar result's value (QMZ_NULL for a null result). */
QMZ_C_API qmz_status qmz_result_scalar(const qmz_result* result, qmz_value* value);

/* Dictionaries: entries counted from 0, in order. */
QMZ_C_API qmz_status qmz_dict_count(const qmz_result* result, size_t* count);
QMZ_C_API qmz_status qmz_dict_entry(const qmz_result* result, size_t index, const char** key,
                                    qmz_value* value);
QMZ_C_API qmz_status qmz_dict_get(const qmz_result* result, const char* key, qmz_value* value);
/* Every entry at once, as qmz_dict_entry gives them: up to `capacity` keys and values into the
 * arrays (either may be NULL when `capacity` is 0); `count` is the number of entries, also when
 * it is more than `capacity` (then ask again with larger arrays). One call for a whole row. */
QMZ_C_API qmz_status qmz_dict_entries(const qmz_result* result, const char** keys,
                                      qmz_value* values, size_t capacity, size_t* count);
/* A dictionary whose every value is a text, as one buffer: key, NUL, value, NUL, ... with no
 * NUL after the last value; `length` counts its bytes. QMZ_E_KIND for any other result, a value
 * that is not a text or a text holding a NUL (read those with qmz_dict_entries). The buffer
 * lives as long as the result. For hosts whose every call costs (a row in one call). */
QMZ_C_API qmz_status qmz_dict_texts(const qmz_result* result, const char** packed, size_t* length);

/* Vectors: items counted from 0; each item is a new handle, to be destroyed. */
QMZ_C_API qmz_status qmz_vector_count(const qmz_result* result, size_t* count);
QMZ_C_API qmz_status qmz_result_item(const qmz_result* result, size_t index, qmz_result** out);

/* Recordsets: fields and records counted from 0, records in the recordset's order. */
QMZ_C_API qmz_status qmz_recordset_field_count(const qmz_result* result, size_t* count);
QMZ_C_API qmz_status qmz_recordset_field_name(const qmz_result* result, size_t field,
                                              const char** name);
QMZ_C_API qmz_status qmz_recordset_record_count(const qmz_result* result, size_t* count);
QMZ_C_API qmz_status qmz_recordset_value(const qmz_result* result, size_t record, size_t field,
                                         qmz_value* value);

#ifdef __cplusplus
}
#endif

#endif /* QMZ_QMZ_C_H */
