#!/usr/bin/env bash
# Seeded faults: puts one real fault at a time into a source tree, rebuilds,
# runs the whole test suite and records whether any test failed (caught) and
# which. Each fault is described by what it breaks, so that it can be put into
# code that has been restructured since; a fault whose pattern no longer
# matches is reported as "not applied" and must be re-expressed (edit its
# line below). Slow (a rebuild and a suite run per fault): not part of CI.
#
#   scripts/seeded-faults.sh [-C TREE] [-B BUILD] [-o REPORT] [-k] [FAULT...]
#   scripts/seeded-faults.sh -l            # list the faults
#   scripts/seeded-faults.sh -n [-C TREE]  # only check that each fault applies
#
#   TREE    the source tree to seed (default: the checkout holding this script);
#           it may be any checkout: the script itself is not changed.
#   BUILD   its build directory, configured with g++ (default TREE/build; made
#           with scripts/build.sh-like settings when missing, QGEN_WERROR=OFF so
#           that a fault which leaves a variable unused still builds).
#   REPORT  where the result table goes (default /tmp/seeded-faults-<time>.md).
#   -k      skip the clean run (which lists the tests that fail without any
#           fault; those are left out of every fault's list).
#   FAULT   names of the faults to run (default: all).
#
# PostgreSQL: uses QGEN_TEST_PG_URI when set, else starts a private server
# with TREE's scripts/pg-server.sh and stops it at the end; QGEN_REQUIRE_PG=1
# either way. Extra ctest arguments: CTEST_ARGS (default: leave out the
# add_subdirectory consumer, a build check that runs no qgen behaviour beyond
# one value). Every file is restored after its fault, also on Ctrl-C.
set -uo pipefail

here="$(cd "$(dirname "$0")/.." && pwd)"
tree="$here"
build=""
report=""
clean_run=1
list_only=0
check_only=0
while getopts "C:B:o:kln" opt; do
  case "$opt" in
    C) tree="$(cd "$OPTARG" && pwd)" ;;
    B) build="$OPTARG" ;;
    o) report="$OPTARG" ;;
    k) clean_run=0 ;;
    l) list_only=1 ;;
    n) check_only=1 ;;
    *) sed -n "2,27p" "$0"; exit 2 ;;
  esac
done
shift $((OPTIND - 1))
build="${build:-$tree/build}"
report="${report:-/tmp/seeded-faults-$(date +%Y%m%d-%H%M%S).md}"
ctest_args="${CTEST_ARGS:--E ^consumer_}"

# ---------------------------------------------------------------------------
# The faults: NAME ~~ FILE (relative to TREE) ~~ PERL (a substitution run with
# perl -0777 -pe over the whole file) ~~ what the fault means.
# ---------------------------------------------------------------------------
faults=(
  # Generator protocol and the compare-and-set write it stands on.
  'cas-no-compare~~dataaccess/Table.cpp~~s/\(read\.IsNull\(\)\s*\?\s*connection\.SameValue\(name, column, stored\)\s*:\s*connection\.EqualValue\(name, column, stored\)\)/("(" + (read.IsNull() ? connection.SameValue(name, column, stored) : connection.EqualValue(name, column, stored)) + " OR 1 = 1)")/s~~An edited record is written without comparing the values it had when read (the optimistic compare-and-set of Post no longer compares: every column matches)'
  'who-test-removed~~gensrc/Generator.cpp~~s/if \(Row\(\)\.Who\(\) != InstanceStamp\)/if (false)/~~After marking and signing the row, the generator no longer checks that the row still carries its own signature (Who) before counting on'
  'stale-rule-off~~gensrc/Generator.cpp~~s/(const bool stale\s*=)([^;]*);/$1 false \&\& ($2);/s~~A busy row is never taken over: neither a wait count above the limit nor an old LastTime frees it (the stale rule is gone)'
  'wait-not-counted~~gensrc/GeneratorRow.cpp~~s/Variant\(tries\.value_or\(0\) \+ 1\)/Variant(tries.value_or(0))/~~A generator that finds the row busy no longer adds its wait to the row (Try stays), so only age frees a row left busy'
  'busy-notice-count~~gensrc/Generator.cpp~~s/kFailuresBeforeNotice = 10;/kFailuresBeforeNotice = 11;/~~The busy notice comes after 11 failed lock or read steps in a row instead of 10'
  'instance-stamp-shared~~gensrc/TimeStamp.cpp~~s/while \(!latest\.empty\(\) && stamp <= latest\)/while (false)/~~Two generators made in the same millisecond get the same instance stamp (Who), so each passes for the other'
  'queue-left-on-outage~~gensrc/Generator.cpp~~s/\n\s*if \(now\.empty\(\)\)\n\s*return false;//~~A generator that cannot read the row while waiting its turn (the database went away) draws without the queue for the next 10 s, racing the programs that queue once the database is back'
  'queue-timeout-kept~~gensrc/GeneratorQueue.cpp~~s/(set_config\(.lock_timeout., \?, )true/$1false/~~A wait in the PostgreSQL queue leaves its own lock timeout on the connection, so that every later row lock of the program waits that long instead of the busy timeout'
  'unsynced-setting-kept~~dataaccess/postgres/PostgresConnection.cpp~~s/(.synchronous_commit., .off., )true/$1false/~~A write committed without waiting for the disk leaves the connection that way, so that the write-back of a value (and every later write of the program) are no longer durable'
  'sent-answer-unread~~dataaccess/postgres/PostgresConnection.cpp~~s/if \(pending_\.empty\(\)\)\n(\s*)return;/$1return;/~~The answer to a statement sent without waiting is never read, so the next statement on the connection reads it as its own'
  'sent-answer-taken~~dataaccess/postgres/PostgresConnection.cpp~~s/  if \(behind_sent\)\n    TakeSentAnswer\(\);\n//~~A statement that follows one sent without waiting reads the answer of the sent one as its own'
  'sent-answer-not-kept~~dataaccess/postgres/PostgresConnection.cpp~~s/NextSyncedResult\(\);\n    if \(keep\)/NextSyncedResult();\n    if (!keep)/~~The answer to a statement sent for its answer is dropped (and that of a statement sent without waiting kept), so that the queue never learns that it was given the turn'
  'sent-answers-one-read~~dataaccess/postgres/PostgresConnection.cpp~~s/for \(const bool keep : pending\) \{/for (const bool keep : std::vector<bool>{pending.back()}) {/~~Of several statements sent without waiting only one answer is read, so that the statement that follows them reads another one as its own'
  'carried-mark-waits-on~~gensrc/Generator.cpp~~s/    if \(marked == true \|\| drawn\)\n      return false;\n//~~A mark sent with the request for the turn that took the free row after the wait ran out still waits for the turn, so that a stopped holder of the turn holds every draw up for seconds'
  'log-flush-empty~~dataaccess/postgres/PostgresConnection.cpp~~s/Execute\(kFlushLog, \{\}, true\);/Execute("SELECT 1", {}, true);/~~On PostgreSQL FlushCommits returns without the log being on disk, so that a value committed without waiting is handed out before a crash could no longer take it back'
  'turn-always-taken~~gensrc/GeneratorQueue.cpp~~s/THEN 0 ELSE/THEN 1 ELSE/~~The queue reports a free turn as taken, so that a program alone pays for a sync of its own after every value'
  'turn-held-twice~~gensrc/GeneratorQueue.cpp~~s/CASE WHEN pg_try_advisory_lock\(/CASE WHEN NOT pg_try_advisory_lock(/~~On PostgreSQL a free turn is locked twice (and a taken one not waited for), so that one Leave no longer hands it on'
  'edit-where-unchecked~~dataaccess/Table.cpp~~s/!AddKeyConditions\(connection, where_fields, where_values, where, params\)/(where_fields.empty() \&\& where_values.IsNull())/~~EditWhere writes the record without checking its other fields, so that the generator marks a row another program holds'
  'mark-at-once-unsigned~~gensrc/GeneratorRow.cpp~~s/\{"Who", Variant\(who\)\}/{"Who", Variant(who + "?")}/~~The mark made in one statement signs the row with another name than its own'
  'failed-mark-at-once-uncounted~~gensrc/Generator.cpp~~s/CountFailure\(\);  \/\/ a failed mark/\/\/ a failed mark/~~A mark made in one statement that fails is not counted, so that the busy notice comes one failure late'
  'log-sync-skipped~~gensrc/Generator.cpp~~s/if \(!flush_pending_\)/if (flush_pending_)/~~On SQLite a value is handed out before the log that holds its write-back is synced, so that a power loss can take back a value already returned'
  'undo-ignores-value~~gensrc/Generator.cpp~~s/\s*&&\s*row\.Suffix\(\) == mine//~~Undo takes a value back without checking that the row still holds the value this generator wrote'
  # Mask engine.
  'carry-charnum~~gensrc/GenMask.cpp~~s/(b == kUpperLast \|\| b == kSmallLast\)\s*return Become\(c, .0., )true/$1false/~~A letter-or-digit symbol (&) that wraps from its last letter back to 0 no longer carries into the symbol on its left'
  'end-value-excluded~~gensrc/GenMask.cpp~~s/CompareText\(EndValue, GetSuffix\(\)\) < 0/CompareText(EndValue, GetSuffix()) <= 0/~~Counting up overflows on reaching EndValue instead of after it: EndValue itself is never issued'
  'start-value-boundary~~gensrc/GenMask.cpp~~s/CompareText\(StartValue, GetSuffix\(\)\) == 0/CompareText(StartValue, GetSuffix()) > 0/~~Counting down underflows only below StartValue instead of on it: the value before StartValue is issued'
  'short-value-valid~~gensrc/GenMask.cpp~~s/bool valid = false;/bool valid = !present;/~~Validate accepts a start or end value that is too short for the counting symbols'
  'upper-letter-boundary~~gensrc/GenMask.cpp~~s/b >= kUpperFirst;/b > kUpperFirst;/~~IsAChar refuses the first upper-half letter (0xC0)'
  'empty-set-accepted~~gensrc/GenMask.cpp~~s/if \(j == i \+ 1\) \{/if (false) {/~~ScanMask accepts an empty set [] instead of refusing it'
  # Data access.
  'sqlite-sync-normal~~dataaccess/sqlite/SqliteConnection.cpp~~s/synchronous=FULL/synchronous=NORMAL/~~SQLite databases are opened with synchronous=NORMAL instead of FULL (a committed value may be lost in a power cut)'
  'pending-change-dropped~~dataaccess/Table.cpp~~s/(void TTable::Post\(\) \{\n\s*CheckActive\(\);\n)(.*?)(\n\})/$1  try {\n$2\n  } catch (...) {\n    Cancel();\n    throw;\n  }$3/s~~A Post that fails drops the pending change (cancels the edit or insert) instead of keeping it for the caller to correct or cancel'
  'locate-over-pending~~dataaccess/Table.cpp~~s/CheckNoPendingChange\("locate a record"\);//~~Locate moves to another record while a change is pending, instead of refusing'
  'pg-null-unsafe-compare~~dataaccess/postgres/PostgresConnection.cpp~~s/return column \+ " IS NOT DISTINCT FROM " \+ param;/return column + " = " + param;/~~PostgreSQL: the compare-and-set compares with = instead of IS NOT DISTINCT FROM, so a row holding NULL can never be written'
  # Unique key.
  'unikey-newrecord-not-restored~~unikey/UniKEY.cpp~~s/hooked_dataset_->OnNewRecord = OldNewRecord;/(void)0;/~~TUniKEY letting go of a dataset leaves its own OnNewRecord handler there instead of putting the former one back'
  'unikey-statechange-not-restored~~unikey/UniKEY.cpp~~s/attached_source_->OnStateChange = OldStateChange;/(void)0;/~~TUniKEY letting go of a data source leaves its own OnStateChange handler there instead of putting the former one back'
  'unikey-chain-dropped~~unikey/UniKEY.cpp~~s/if \(OldNewRecord\)\s*OldNewRecord\(dataset\);//~~TUniKEY no longer calls the OnNewRecord handler that was there before it'
  'unikey-repeat-key~~unikey/UniKEY.cpp~~s/return !stored\.IsNull\(\) && TrString/return false \&\& TrString/~~TUniKEY no longer notices that the key it made is the one it stamped last: two records in one millisecond share a key'
  # The command-line tool.
  'stamp-printed-before-commit~~apps/qgen/StampCommand.cpp~~s/keys\.push_back\(key\);/keys.push_back(key);\n        PrintLine(key);/; s/for \(const std::string& key : keys\)\s*PrintLine\(key\);//~~qgen stamp prints each key as soon as its record is posted, before the batch is committed (a rolled-back batch leaves printed keys that are not in the table)'
  'next-json-lost-on-failure~~apps/qgen/NextCommand.cpp~~s/progress\.Finish\(\);\s*issued\.Close\(\);\s*throw;/progress.Finish();\n    throw;/~~qgen next --json that fails mid-run leaves its array open: the output is no JSON, so a reader gets none of the values issued so far'
  # Form files and text.
  'formfile-number-overflow~~framework/FormReader.cpp~~s/catch \(const Json::exception& e\)/catch (const Json::parse_error\& e)/~~The form reader lets a number too large for a double escape as a library exception instead of EFormError (the crash input found by fuzzing)'
  'formfile-duplicate-key~~framework/FormReader.cpp~~s/if \(twice != duplicates\.end\(\)\)/if (false)/~~The form reader silently keeps the last of a key given twice in one object'
  'codepage-drops-character~~framework/CodePage.cpp~~s/error_ = errno;/if (errno == EILSEQ) {\n          ++src;\n          --left;\n          continue;\n        }\n        error_ = errno;/~~A character that the code page cannot hold is silently dropped instead of raising'
  # Design time: the mask edit dialog, the package and the designer.
  'dialog-result-dropped~~design/EditMask.cpp~~s/texts = std::move\(result\);/(void)result;/~~What the user enters in the mask edit dialog and confirms with OK is not written back to the generator'
  'dialog-cancel-writes-back~~design/EditMask.cpp~~s/if \(dialog\.ShowModal\(\) != mrOk\)\s*return false;/dialog.ShowModal();/~~The mask edit dialog'"'"'s texts are written back to the generator also when the dialog is cancelled'
  'dialog-engine-freed~~design/GenDlg.cpp~~s/if \(open_dialogs == 0\)\s*Mt\.reset\(\);/Mt.reset();/~~Closing one mask edit dialog frees the mask engine under another that is still open'
  'dialog-flag-kept~~design/GenDlg.cpp~~s/  flag = false;\n  const std::string value = edit->Text\(\);/  const std::string value = edit->Text();/~~Leaving a start or end value edit empty, or with text that cannot be read, keeps the flag of the value checked before, so the test panel counts from a value no longer there'
  'dialog-end-disabled~~design/GenDlg.cpp~~s/i <= ControlCount\(\) - 5;/i <= ControlCount() - 4;/~~Test mode disables its own End button too, so the test panel cannot be closed'
  'sink-not-restored~~design/QtMessageSink.cpp~~s/  SetMessageSink\(previous_\);/  (void)previous_;/~~The GUI message sink, when it goes, leaves itself as the sink instead of putting the former one back (later messages reach a destroyed object)'
  'verb-caption-changed~~design/gendsgn.cpp~~s/return "Edit &Mask";/return "Edit Mask";/~~TGenerator'"'"'s first verb is captioned "Edit Mask" instead of "Edit &Mask"'
  'mask-old-end-kept~~design/gendsgn.cpp~~s/if \(!start\.empty\(\) && !generator->EndValue\(\)\.empty\(\) &&/if (false \&\& !start.empty() \&\& !generator->EndValue().empty() \&\&/~~A start and end value entered wholly above the old end value lose the start value (the old end is not let go of first)'
  'mask-limit-cut~~design/gendsgn.cpp~~s/if \(text\.size\(\) > TmString::kMaxLength\)/if (false)/~~A start or end value longer than the generator holds is cut short without a word'
  'unit-guard-below-zero~~design/qgenpkg.cpp~~s/if \(count > 0\)\s*--count;/--count;/~~A package unit'"'"'s once-only guard counts below zero when it is finalised more often than initialised'
  'package-not-finalised~~designer/Package.cpp~~s/TPackage::~TPackage\(\) \{\n  Finalize\(\);/TPackage::~TPackage() {/~~A package that the designer lets go of is not finalised: its units stay counted as initialised'
  'integer-editor-drops-value~~designer/PropertyEditor.cpp~~s/GetPropInfo\(\)\.set_integer\(\*component, number\);/(void)component, (void)number;/~~The integer property editor tells the designer of a change but drops the value'
  'reference-class-unchecked~~designer/PropertyEditor.cpp~~s/if \(!GetPropInfo\(\)\.accepts_component\(\*target\)\) \{/if (false) {/~~A component reference property accepts a component of a class it cannot refer to'
  'multiselect-unfiltered~~designer/Registration.cpp~~s/if \(selection\.size\(\) > 1 && !\(editor->GetAttributes\(\) & paMultiSelect\)\)\s*continue;//~~Properties that cannot be edited on several components at once (Mask) are offered for a multiple selection'
  'designer-misses-change~~apps/qgen-designer/FormDesigner.cpp~~s/if \(after\.empty\(\) \|\| after != before\)/if (after.empty())/~~The designer no longer notices a change that an editor makes without telling it: the form is not marked changed and can be dropped unsaved'
  'designer-root-name-taken~~apps/qgen-designer/FormDesigner.cpp~~s/ \|\| CompareText\(root_->Name\(\), name\) == 0//~~A component may be renamed to the name of the form itself'
  'designer-cancel-drops-form~~apps/qgen-designer/MainWindow.cpp~~s/if \(answer == QMessageBox::Cancel\)\s*return false;/if (answer == QMessageBox::Cancel)\n    return true;/~~Cancel in the designer'"'"'s unsaved-changes question drops the changed form all the same'
  'lock-timeout-outlasts-request~~gensrc/GeneratorQueue.cpp~~s/set_config\(\x27lock_timeout\x27, s\.before, true\)/s.t/~~A request for the turn inside the caller transaction leaves the wait timeout set for the rest of that transaction'
  'flush-on-new-session-trusted~~gensrc/Generator.cpp~~s/if \(database->Session\(\) != flush_session_\) \{/if (false) {/~~A value whose write-back went without waiting for the disk is handed out although the flush ran on a new session after the first was lost'
  'session-not-counted~~dataaccess/postgres/PostgresConnection.cpp~~s/\+\+session_;//g~~The PostgreSQL connection is made afresh without its session number changing'
  'copy-left-open~~dataaccess/postgres/PostgresConnection.cpp~~s/if \(EndCopy\(PQresultStatus\(res\.get\(\)\)\)\) \{/if (PQresultStatus(res.get()) == PGRES_FATAL_ERROR \&\& false) {/~~A COPY FROM STDIN refused by Execute stays open on the server, waiting for data, until the next statement'
  'copy-refusal-unexplained~~dataaccess/postgres/PostgresConnection.cpp~~s/if \(status == PGRES_COPY_IN \|\| status == PGRES_COPY_OUT \|\| status == PGRES_COPY_BOTH\) \{/if (status == PGRES_COPY_IN \&\& false) {/~~A COPY to or from the program is refused with an empty message'
  'step-unchecked~~dataaccess/Table.cpp~~s/if \(!stepped\.empty\(\)\) \{/if (false) {/~~A stepping write matches a record whose column holds none of the values it steps from (and writes NULL there)'
  'step-to-first-pair~~dataaccess/Table.cpp~~s/params\.push_back\(ToDatabase\(step\.to\[i\], column\)\);/params.push_back(ToDatabase(step.to[0], column));/~~A stepping write stores the first new value whatever the record held'
  'window-past-end~~gensrc/Generator.cpp~~s/if \(window_end_\)\n\s*break;//~~The values a one-statement draw may store run past the end of the sequence, without the overflow handler'
  'one-write-reply-not-read~~gensrc/GeneratorRow.cpp~~s/return Holds\(to, who, stamp\);/return false;/~~A one-statement draw whose reply was lost is taken as not made without reading the row'
  'one-write-not-flushed~~gensrc/Generator.cpp~~s/flush_pending_ = flush_later;(\n\s*\/\/ The session that wrote)/flush_pending_ = false;$1/~~A value drawn in one statement committed without waiting for the disk is handed out without the flush'
  'mark-beside-one-statement-draws~~gensrc/Generator.cpp~~s/if \(may_write_once && CatchUpAndDrawInOneWrite\(window\)\)/if (false && may_write_once && CatchUpAndDrawInOneWrite(window))/~~A program sent to the row'"'"'s steps by a busy row marks the freed row while others draw in one statement, and fails mark after mark'
  'ascii-assumed~~framework/CodePage.cpp~~s/if \(IsAscii\(bytes\) && KeepsAscii\(codepage\)\)/if (IsAscii(bytes))/~~ASCII text is taken as it is in every code page, also where the code page puts other letters on ASCII bytes'
  # The load driver (tests built with QGEN_BUILD_BENCH=ON, as CI builds them).
  'run-guard-shared~~bench/RunGuard.cpp~~s/LOCK_EX \| LOCK_NB/LOCK_SH | LOCK_NB/~~Two load runs may use one database at once: each empties the sequence under the other'
  'run-guard-keeps-refused~~bench/RunGuard.cpp~~s/(LOCK_NB\) != 0\) \{\n\s*)Release\(\);/$1/~~A load run refused for one database keeps the locks it took of the others'
)

# Sets name, file, perl and meaning from one entry of `faults`.
split() {
  local rest="$1"
  name="${rest%%~~*}"; rest="${rest#*~~}"
  file="${rest%%~~*}"; rest="${rest#*~~}"
  perl="${rest%%~~*}"; meaning="${rest#*~~}"
}

if [ "$list_only" = 1 ]; then
  for f in "${faults[@]}"; do
    split "$f"
    printf '%-32s %-40s %s\n' "$name" "$file" "$meaning"
  done
  exit 0
fi

if [ "$check_only" = 1 ]; then
  bad=0
  for f in "${faults[@]}"; do
    split "$f"
    if [ -f "$tree/$file" ] && out="$(perl -0777 -pe "$perl" "$tree/$file")" &&
      ! printf '%s\n' "$out" | cmp -s - "$tree/$file"; then
      echo "applies      $name"
    else
      echo "NOT APPLIED  $name ($file): re-express"; bad=1
    fi
  done
  exit $bad
fi

selected=("$@")
wanted() {
  [ ${#selected[@]} -eq 0 ] && return 0
  local s
  for s in "${selected[@]}"; do [ "$s" = "$1" ] && return 0; done
  return 1
}

# PostgreSQL.
started_pg=0
if [ -z "${QGEN_TEST_PG_URI:-}" ]; then
  export QGEN_PG_STATE="/tmp/qgen-pg-faults-$$.state"
  QGEN_TEST_PG_URI="$("$tree/scripts/pg-server.sh" start)" || { echo "cannot start PostgreSQL" >&2; exit 1; }
  export QGEN_TEST_PG_URI
  started_pg=1
fi
export QGEN_REQUIRE_PG=1

backup=""
target=""
cleanup() {
  if [ -n "$backup" ] && [ -f "$backup" ]; then cp -p "$backup" "$target" && touch "$target"; rm -f "$backup"; fi
  [ "$started_pg" = 1 ] && "$tree/scripts/pg-server.sh" stop
}
trap cleanup EXIT
trap 'exit 130' INT TERM

log_dir="$(mktemp -d /tmp/seeded-faults-XXXXXX)"
if [ ! -f "$build/CMakeCache.txt" ]; then
  CMAKE_CXX_COMPILER_LAUNCHER="${CMAKE_CXX_COMPILER_LAUNCHER:-ccache}" CXX="${CXX:-g++}" \
    cmake -S "$tree" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQGEN_WERROR=OFF \
    -DQGEN_BUILD_FUZZ=OFF >"$log_dir/configure.log" 2>&1 || { cat "$log_dir/configure.log"; exit 1; }
fi

# Builds, runs the suite; prints the names of the failing tests, one a line.
# Returns 2 when the build failed.
run_suite() {
  local tag="$1"
  if ! ninja -C "$build" >"$log_dir/$tag.build.log" 2>&1; then
    return 2
  fi
  # shellcheck disable=SC2086
  ctest --test-dir "$build" -j2 --timeout 600 $ctest_args >"$log_dir/$tag.ctest.log" 2>&1
  sed -n '/The following tests FAILED:/,$p' "$log_dir/$tag.ctest.log" |
    sed -nE 's/^[[:space:]]*[0-9]+ - (.*) \((Failed|Timeout|SEGFAULT|Subprocess aborted|Exception|Child aborted|[A-Za-z ]+)\)$/\1/p'
  return 0
}

declare -A known_failures=()
if [ "$clean_run" = 1 ]; then
  echo "== clean run"
  clean="$(run_suite clean)"
  rc=$?
  [ $rc -eq 2 ] && { echo "the clean tree does not build: see $log_dir/clean.build.log" >&2; exit 1; }
  while IFS= read -r t; do [ -n "$t" ] && known_failures["$t"]=1; done <<<"$clean"
  [ -n "$clean" ] && printf 'failing without any fault (left out below):\n%s\n' "$clean"
fi

{
  echo "# Seeded faults: $(git -C "$tree" rev-parse --short HEAD 2>/dev/null) in $tree ($(date -u +%FT%TZ))"
  echo
  echo "| fault | file | result | failing tests |"
  echo "|---|---|---|---|"
} >"$report"

caught=0
missed=0
other=0
for f in "${faults[@]}"; do
  split "$f"
  wanted "$name" || continue
  target="$tree/$file"
  echo "== $name ($file): $meaning"
  if [ ! -f "$target" ]; then
    echo "| $name | $file | NOT APPLIED (file missing: re-express) | |" >>"$report"
    other=$((other + 1))
    continue
  fi
  backup="$log_dir/$name.orig"
  cp -p "$target" "$backup"
  if ! perl -0777 -pi -e "$perl" "$target" || cmp -s "$target" "$backup"; then
    cp -p "$backup" "$target"
    rm -f "$backup"; backup=""
    echo "   pattern not found: re-express this fault"
    echo "| $name | $file | NOT APPLIED (pattern not found: re-express) | |" >>"$report"
    other=$((other + 1))
    continue
  fi
  diff -u "$backup" "$target" >"$log_dir/$name.diff"
  failing="$(run_suite "$name")"
  rc=$?
  cp -p "$backup" "$target" && touch "$target"
  rm -f "$backup"; backup=""
  if [ $rc -eq 2 ]; then
    echo "   does not build: see $log_dir/$name.build.log"
    echo "| $name | $file | BUILD FAILED (re-express) | |" >>"$report"
    other=$((other + 1))
    continue
  fi
  names=()
  while IFS= read -r t; do
    [ -n "$t" ] && [ -z "${known_failures[$t]:-}" ] && names+=("$t")
  done <<<"$failing"
  if [ ${#names[@]} -gt 0 ]; then
    caught=$((caught + 1))
    echo "   caught by ${#names[@]}: ${names[*]}"
    echo "| $name | $file | caught (${#names[@]}) | ${names[*]} |" >>"$report"
  else
    missed=$((missed + 1))
    echo "   MISSED"
    echo "| $name | $file | MISSED | |" >>"$report"
  fi
done
ninja -C "$build" >"$log_dir/restore.build.log" 2>&1 || true

{
  echo
  echo "caught $caught, missed $missed, not run $other. Logs and diffs: $log_dir"
} >>"$report"
cat "$report"
