# Runs the Windows qarn.exe under the emulator and compares its frame with the
# one the Linux qarn draws with the software device, both headless for 40
# frames (on the virtual clock, so the same frames). The frame-rate text's
# rectangle, FPSObject.h's m_textRect, is left out.
#   QARN, TSIMAGE      the Windows programs
#   EMULATOR           the command that runs them, its words separated by |
#   WINDOWS_DATA       the Windows build's data folder
#   LINUX_BUILD        the Linux build folder (app/qarn and data/)
#   DEVICE             software or d3d8
#   TOLERANCE, MEAN    the largest and the mean channel difference allowed
#   WORK               where the screenshots go
string(REPLACE "|" ";" emulator "${EMULATOR}")
set(reference ${WORK}/qarn-linux-software.png)
set(frame ${WORK}/qarn-windows-${DEVICE}.png)
file(REMOVE ${reference} ${frame})

execute_process(COMMAND ${LINUX_BUILD}/app/qarn --headless --frames 40 --screenshot ${reference}
                WORKING_DIRECTORY ${LINUX_BUILD}/data RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "the Linux qarn failed (${result})")
endif()
execute_process(COMMAND ${emulator} ${QARN} --headless --device ${DEVICE} --frames 40 --screenshot ${frame}
                WORKING_DIRECTORY ${WINDOWS_DATA} RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "qarn.exe --device ${DEVICE} failed (${result})")
endif()
execute_process(COMMAND ${emulator} ${TSIMAGE} compare ${reference} ${frame} --exclude 10,10,90,26
                        --tolerance ${TOLERANCE} --mean ${MEAN}
                RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "${frame} is not within ${TOLERANCE} (mean ${MEAN}) of ${reference}")
endif()
