# Fails when the fractal library holds a fused multiply-add other than the steps' exact
# one: each product must be rounded before it is added, or the fast pictures drift from
# the plain ones.
# Usage: cmake -DOBJDUMP=... -DLIBRARY=.../libfractal.a -P no_fused_multiply_add.cmake
if(NOT OBJDUMP OR NOT LIBRARY)
  message(FATAL_ERROR "OBJDUMP and LIBRARY must be given")
endif()
execute_process(COMMAND "${OBJDUMP}" -d -C --no-show-raw-insn "${LIBRARY}"
                OUTPUT_VARIABLE listing ERROR_VARIABLE errors RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${OBJDUMP} failed on ${LIBRARY}: ${errors}")
endif()

# Make sure the listing is the one meant: the kernel compiled for several instruction
# sets (on x86 including AVX-512), so that finding nothing below means something.
string(REGEX MATCHALL "fractal_kernel::N_[A-Z0-9_]+::CountRow[^\n]*>:" kernels "${listing}")
list(LENGTH kernels kernelCount)
if(kernelCount LESS 2)
  message(FATAL_ERROR "expected the row kernel for at least two instruction sets in "
                      "${LIBRARY}, found ${kernelCount}")
endif()
if(listing MATCHES "N_AVX3::CountRow" AND NOT listing MATCHES "vmulpd[^\n]*%zmm")
  message(FATAL_ERROR "the AVX-512 kernel in ${LIBRARY} has no 512-bit multiplies")
endif()

# x86: vfmadd*, vfmsub*, vfnmadd*, vfnmsub* (FMA3 and FMA4, every width);
# Arm: fmadd, fmsub, fnmadd, fnmsub, fmla, fmls.
set(fused "[ \t](v?fn?m(add|sub)[a-z0-9.]*|fml[as][a-z0-9.]*)[ \t]")
# The one fused operation the kernel may use is 2 xy + ci in its steps: the product by 2
# is exact, so rounding the sum once is rounding it as written. It is a plain
# multiply-add (never a subtracting or negating form), and only the iteration of the
# slots and the steps taken ahead of them hold it (or, in a build that inlines nothing,
# the function that makes it).
set(allowed "^v?fmadd[0-9]*[ps]d$|^fmla$")
set(steppers
    "fractal_kernel::N_[A-Z0-9_]+::(Iterate<(true|false), (true|false)>|StepsAhead<[0-9]+>|TwiceProductPlus)\\(")

# One list element per function: objdump ends each with an empty line.
string(REPLACE ";" "," listing "${listing}")
string(REPLACE "\n\n" ";" functions "${listing}")
set(allowedCount 0)
foreach(function IN LISTS functions)
  if(NOT function MATCHES "${fused}")
    continue()
  endif()
  string(REGEX MATCH "<[^\n]*>:" name "${function}")
  string(REGEX MATCHALL "[^\n]*${fused}[^\n]*" lines "${function}")
  foreach(line IN LISTS lines)
    string(REGEX MATCH "${fused}" instruction "${line}")
    string(STRIP "${instruction}" instruction)
    if(NOT name MATCHES "${steppers}" OR NOT instruction MATCHES "${allowed}")
      message(FATAL_ERROR "a fused multiply-add in ${LIBRARY}, in ${name}:\n${line}")
    endif()
    math(EXPR allowedCount "${allowedCount} + 1")
  endforeach()
endforeach()
message(STATUS "no fused multiply-add but the steps' ${allowedCount} exact ones among "
               "${kernelCount} kernel variants in ${LIBRARY}")
