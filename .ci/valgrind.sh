#!/usr/bin/env bash
# CI: a handful of representative end-to-end tests with the program run under
# valgrind memcheck (through the harness's CODETWIN_RUNNER). A memory error or
# a leak makes the program exit with status 99, which fails the test.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh test valgrind

cmake -S . -B build -DCODETWIN_WERROR=ON
cmake --build build -j2 --target e2e_test bad_input_test codetwin class_e2e_test \
  class_bad_input_test codetwin-class class_archive_test

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
# codetwin-class, its threads included: the worked pair with both outputs,
# the awkward names, template code, comments ignored; submissions skipped
# with a warning, outputs that fail (their temporaries removed), empty ones.
class_tests=(
  ClassRunTest.WorkedPairGivesCodetwinsNumbers
  ClassRunTest.AwkwardNamesAreListedQuotedAndKept
  ClassRunTest.TemplateCodeCountsForNothing
  ClassRunTest.IgnoringCommentsUndoesTheirRemoval
)
class_bad_input_tests=(
  ClassBadInputTest.UnreadableSubmissionsAreSkippedAndListed
  ClassBadInputTest.OutputsThatCannotBeWritten
  ClassBadInputTest.EmptySubmissionsScoreNaNAndSortLast
)
# Archives read in place: every path that may be one, a student's archive
# inside, and damaged or refused ones.
archive_tests=(
  ClassArchiveTest.ListingNamesEveryStudent
  ClassArchiveTest.OldBaseAndSeveralPaths
)
join() { local IFS=:; echo "$*"; }
build/tests/e2e/e2e_test --gtest_filter="$(join "${e2e_tests[@]}")"
build/tests/e2e/bad_input_test --gtest_filter="$(join "${bad_input_tests[@]}")"
build/tests/e2e/class_e2e_test --gtest_filter="$(join "${class_tests[@]}")"
build/tests/e2e/class_bad_input_test --gtest_filter="$(join "${class_bad_input_tests[@]}")"
build/tests/e2e/class_archive_test --gtest_filter="$(join "${archive_tests[@]}")"
