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

# The demonstration run prints its labels on one tape: each label's files and
# entry hold that label alone, and together they make up the tape.
file(WRITE ${WORK}/demo.txt "CART:2\nALT+C\n")
execute_process(COMMAND ${BATCH} --flash ${WORK}/fontData.hex --script ${WORK}/demo.txt
                        --labels ${WORK}/demo --tape-pbm ${WORK}/demo.pbm RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "klx80-batch failed on the demonstration run: ${status}")
endif()
file(READ ${WORK}/demo/labels.json list)
string(JSON count LENGTH "${list}")
set(sum 0)
math(EXPR last "${count} - 1")
foreach(i RANGE ${last})
  string(JSON columns GET "${list}" ${i} columns)
  math(EXPR sum "${sum} + ${columns}")
  math(EXPR n "${i} + 1")
  if(n EQUAL 2)
    set(second ${columns})
  endif()
endforeach()
file(STRINGS ${WORK}/demo.pbm tape_header LIMIT_COUNT 2)
list(GET tape_header 1 tape_size)
string(REGEX MATCH "^[0-9]+" tape_width "${tape_size}")
file(STRINGS ${WORK}/demo/label-0002.pbm header LIMIT_COUNT 2)
list(GET header 1 size)
string(REGEX MATCH "^[0-9]+" width "${size}")
if(NOT count EQUAL 38 OR NOT sum EQUAL tape_width OR NOT width EQUAL second)
  message(FATAL_ERROR "demonstration run: ${count} labels of ${sum} columns on a tape of ${tape_width}; "
                      "label 2 is ${width} columns wide, its entry says ${second}")
endif()
