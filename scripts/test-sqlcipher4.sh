#!/usr/bin/env bash
# Builds the store and its tests against SQLCipher 4 (the amalgamation of the npm package
# @commapp/sqlcipher-amalgamation) and runs them: books written by the system's SQLCipher 3.4 open
# there, and what that build writes opens in the system's sqlcipher shell. Needs npm (node); without it
# the step is skipped, and says so.
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${1:-build-sqlcipher4}
package=@commapp/sqlcipher-amalgamation@4.5.5
tests=(tst_book_format tst_store tst_customer_repository tst_account_rules tst_cancellation_archive
       tst_ledger_store)
if ! command -v npm >/dev/null 2>&1; then
    echo "SKIPPED: npm not found, the store tests against SQLCipher 4 did not run"
    exit 0
fi
amalgamation=$dir/amalgamation
if [ ! -f "$amalgamation/sqlite3.c" ]; then
    mkdir -p "$dir/npm"
    if ! tarball=$(cd "$dir/npm" && npm pack --silent "$package"); then
        echo "SKIPPED: npm could not fetch $package, the store tests against SQLCipher 4 did not run"
        exit 0
    fi
    mkdir -p "$amalgamation"
    tar -xzf "$dir/npm/$tarball" -C "$amalgamation" --strip-components=2 package/src/sqlite3.c \
        package/src/sqlite3.h
fi
cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKALVORA_WERROR=ON -DKALVORA_BENCH=OFF \
    -DKALVORA_SQLCIPHER_AMALGAMATION="$PWD/$amalgamation" >/dev/null
cmake --build "$dir" --parallel "$(nproc)" --target "${tests[@]}"
for t in "${tests[@]}"; do
    if ldd "$dir/bin/$t" | grep -E 'libsqlite3|libsqlcipher'; then
        echo "$t links a second SQLite beside the amalgamation" >&2
        exit 1
    fi
done
regex=$(IFS='|'; echo "${tests[*]}")
(cd "$dir" && ctest --output-on-failure --parallel "$(nproc)" -R "^($regex)\$")
