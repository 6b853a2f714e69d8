# cmake -P script: install, build the outside project against the prefix, run each program.
function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(NOT result EQUAL 0)
    list(JOIN ARGN " " command)
    message(FATAL_ERROR "${command} failed (${result}):\n${out}")
  endif()
endfunction()

set(prefix ${WORK_DIR}/prefix)
file(REMOVE_RECURSE ${WORK_DIR})
run(${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix})
run(${CMAKE_COMMAND} -S ${CONSUMER_SOURCE} -B ${WORK_DIR}/build -G ${GENERATOR}
    -DCMAKE_PREFIX_PATH=${prefix} -DCMAKE_BUILD_TYPE=RelWithDebInfo "-DCMAKE_CXX_FLAGS=${WARNING_FLAGS}")
run(${CMAKE_COMMAND} --build ${WORK_DIR}/build)

run(${WORK_DIR}/build/harlowen_consumer ${WORK_DIR}/products)
run(${CMAKE_COMMAND} -E env PELANDRY_CLIPBOARD=memory ${WORK_DIR}/build/pastrel_consumer)
run(${WORK_DIR}/build/mirrowent_consumer ${WORK_DIR}/items.jsonl)
run(${WORK_DIR}/build/plugin_consumer
    ${prefix}/lib/connector_plugins/editorservices/clipboardservice/libTessivar.so)
# An engine sub-process start returns at once: the installed program starts and finds its libraries.
run(${prefix}/bin/Veltrane --type=renderer)

# One protocol-buffers runtime in the program, never the lite and the full one side by side.
execute_process(COMMAND readelf -d ${prefix}/bin/Veltrane OUTPUT_VARIABLE dynamic_section COMMAND_ERROR_IS_FATAL ANY)
string(REGEX MATCHALL "libprotobuf[-a-z]*\\.so" runtimes "${dynamic_section}")
list(LENGTH runtimes runtime_count)
if(NOT runtime_count EQUAL 1)
  message(FATAL_ERROR "Veltrane needs ${runtime_count} protocol-buffers runtimes: ${runtimes}")
endif()
