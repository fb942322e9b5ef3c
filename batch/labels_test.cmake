# --labels on a run of six labels: the directory is made, labels.json lists
# every label, each has its two pictures, the last one's PBM is the tape's,
# an earlier run's extra picture goes and a file of the user's stays.
# Called with BATCH, IMAGE, CASE (tests/golden/labels) and WORK.
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK}/out)
file(COPY_FILE ${IMAGE} ${WORK}/fontData.hex)
file(WRITE ${WORK}/out/notes.txt "kept")
file(WRITE ${WORK}/out/label-0009.png "from an earlier run")
execute_process(COMMAND ${BATCH} --flash ${WORK}/fontData.hex --script ${CASE}/keys.txt
                        --labels ${WORK}/out --tape-pbm ${WORK}/tape.pbm RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "klx80-batch failed: ${status}")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${WORK}/out/labels.json ${CASE}/labels.json
                RESULT_VARIABLE differs)
if(differs)
  file(READ ${WORK}/out/labels.json got)
  message(FATAL_ERROR "labels.json differs:\n${got}")
endif()
foreach(n 1 2 3 4 5 6)
  foreach(ext png pbm)
    if(NOT EXISTS ${WORK}/out/label-000${n}.${ext})
      message(FATAL_ERROR "label-000${n}.${ext} missing")
    endif()
  endforeach()
endforeach()
execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${WORK}/out/label-0006.pbm ${WORK}/tape.pbm
                RESULT_VARIABLE differs)
if(differs OR EXISTS ${WORK}/out/label-0009.png OR NOT EXISTS ${WORK}/out/notes.txt)
  message(FATAL_ERROR "the last label is not the tape, or the directory's other files were touched")
endif()
