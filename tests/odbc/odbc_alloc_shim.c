/*
 * A driver manager for the Unix side of Wine 10.0's odbc32, loaded through
 * LIB_ODBC_DRIVER_MANAGER in place of libodbc.so.2 when 32-bit Windows
 * programs run in wow64 mode.
 *
 * It works around one fault of that odbc32: for a 32-bit caller it passes
 * SQLAllocHandle's output pointer in a parameter block whose 64-bit pointer
 * field has only its lower half set; the upper half is uninitialised padding,
 * so unixODBC writes the new handle through a wild pointer and the caller
 * gets the exception's code back as the call's result. A 32-bit process's
 * memory lies below 4 GiB: an output pointer that is not mapped is cut back
 * to its lower 32 bits before the real function is called. Every other name
 * resolves to unixODBC, which this library lists as needed.
 */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <stdint.h>
#include <sys/mman.h>
#include <unistd.h>

typedef short SQLRETURN_;
typedef short SQLSMALLINT_;
typedef void* SQLHANDLE_;

static int mapped(const void* p) {
    long page = sysconf(_SC_PAGESIZE);
    void* start = (void*)((uintptr_t)p & ~(uintptr_t)(page - 1));
    unsigned char residency;
    /* mincore fails with ENOMEM for an address that is not mapped. */
    return mincore(start, (size_t)page, &residency) == 0;
}

static SQLHANDLE_* repaired(SQLHANDLE_* out) {
    if (out != 0 && !mapped(out)) {
        SQLHANDLE_* low = (SQLHANDLE_*)(uintptr_t)(uint32_t)(uintptr_t)out;
        if (mapped(low)) {
            return low;
        }
    }
    return out;
}

SQLRETURN_ SQLAllocHandle(SQLSMALLINT_ type, SQLHANDLE_ input, SQLHANDLE_* output) {
    static SQLRETURN_ (*real)(SQLSMALLINT_, SQLHANDLE_, SQLHANDLE_*);
    if (real == 0) {
        real = (SQLRETURN_(*)(SQLSMALLINT_, SQLHANDLE_, SQLHANDLE_*))dlsym(RTLD_NEXT, "SQLAllocHandle");
    }
    return real(type, input, repaired(output));
}

SQLRETURN_ SQLAllocHandleStd(SQLSMALLINT_ type, SQLHANDLE_ input, SQLHANDLE_* output) {
    static SQLRETURN_ (*real)(SQLSMALLINT_, SQLHANDLE_, SQLHANDLE_*);
    if (real == 0) {
        real = (SQLRETURN_(*)(SQLSMALLINT_, SQLHANDLE_, SQLHANDLE_*))dlsym(RTLD_NEXT, "SQLAllocHandleStd");
    }
    return real(type, input, repaired(output));
}
