#!/usr/bin/env bash
# CI: a handful of representative end-to-end tests with the program run under
# valgrind memcheck (through the harness's CODETWIN_RUNNER). A memory error or
# a leak makes the program exit with status 99, which fails the test.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh test valgrind

cmake -S . -B build -DCODETWIN_WERROR=ON
cmake --build build -j2 --target e2e_test bad_input_test codetwin

export CODETWIN_RUNNER="valgrind --error-exitcode=99 --leak-check=full --errors-for-leak-kinds=definite,possible -q"
e2e_tests=(
  ComparerRunTest.WorkedPairWithDetails
  ComparerRunTest.Utf8ConsoleGetsUtf8Text
  ComparerRunTest.HandEditedTokenFileIsReadInTextMode
  ComparerRunTest.UnreadableTokenFileWaitsForAKeyAndFails
  TokenizerRunTest.OutputThatCannotBeCreatedFails
  TokenizerRunTest.WriteErrorOnAnyOutputFails
  TokenizerRunTest.UnreadableSourceCannotBeOpened
  ViewerTest.YesOpensBothTokenFiles
)
bad_input_tests=(
  BadInputTest.DanglingLinkAsSourceCannotBeOpened
  BadInputTest.BinarySourcesOnOneOrBothSides
  BadInputTest.RandomBytesOnBothSides
  BadInputTest.MillionCharacterLine
  BadInputTest.StandardStreamsClosedOrNull
  BadInputTest.OutputReaderGoesAway
  BadInputTest.HandEditedTokenFilesOnAUtf8Console
)
join() { local IFS=:; echo "$*"; }
build/tests/e2e/e2e_test --gtest_filter="$(join "${e2e_tests[@]}")"
build/tests/e2e/bad_input_test --gtest_filter="$(join "${bad_input_tests[@]}")"
