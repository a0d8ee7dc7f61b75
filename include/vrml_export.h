/* Export and calling-convention macros shared by every public header. */
#ifndef VRML_EXPORT_H
#define VRML_EXPORT_H

#if defined(_WIN32) || defined(__CYGWIN__)
/* Building the DLLs, the module definition files (platform/zebvrml2.def,
 * platform/zebio.def) alone decide what is exported, so the objects carry no
 * export marks of their own and serve the static libraries as well. */
#  if defined(ZEBVRML2_BUILDING) || defined(ZEBVRML2_STATIC)
#    define ZEBVRML2_API
#  else
#    define ZEBVRML2_API __declspec(dllimport)
#  endif
#  if defined(ZEBIO_BUILDING) || defined(ZEBIO_STATIC) || defined(ZEBVRML2_STATIC)
#    define ZEBIO_API
#  else
#    define ZEBIO_API __declspec(dllimport)
#  endif
#elif defined(__GNUC__)
#  define ZEBVRML2_API __attribute__((visibility("default")))
#  define ZEBIO_API __attribute__((visibility("default")))
#else
#  define ZEBVRML2_API
#  define ZEBIO_API
#endif

#if defined(__GNUC__)
#  define VRML_PRINTF_LIKE(fmt, first) __attribute__((format(printf, fmt, first)))
#  define VRML_NORETURN __attribute__((noreturn))
#else
#  define VRML_PRINTF_LIKE(fmt, first)
#  define VRML_NORETURN
#endif

#ifdef __cplusplus
#  define VRML_EXTERN_C_BEGIN extern "C" {
#  define VRML_EXTERN_C_END }
#else
#  define VRML_EXTERN_C_BEGIN
#  define VRML_EXTERN_C_END
#endif

#endif
