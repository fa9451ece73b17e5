#!/usr/bin/env bash
# The R package, built from the checkout:
#
#   tools/r-package.sh stage [DIR]        copy r/gaussnet to DIR (default build/r/gaussnet) with
#                                         the library's sources staged into its src/lib
#   tools/r-package.sh install [LIB]      stage, then R CMD INSTALL (into LIB when given)
#   tools/r-package.sh check              stage, R CMD build, R CMD check the tarball
#   tools/r-package.sh test BUILD         for CTest: install into BUILD/r-lib, run the testthat
#                                         tests and the example script (exit 77 without R or Rcpp)
#
# An R package is built from its own folder (R CMD build makes a tarball of
# it), so the library's sources, which live outside r/gaussnet, are copied in:
# include/ and the rooms of src/ that the library is made of, the api room and
# every room it uses as CMakeLists.txt declares them (not the driver, the MPI
# program or any main.cpp). Copies keep their times and only newer files are
# copied again, so a repeated install recompiles what changed (everything,
# when a header changed).
set -euo pipefail

ROOT=$(cd "$(dirname "$0")/.." && pwd)
STAGE_DEFAULT=$ROOT/build/r/gaussnet

version_of_project() { sed -n 's/^project(gaussnet VERSION \([0-9.]*\).*/\1/p' "$ROOT/CMakeLists.txt"; }

# copy_tree FROM TO: FROM's files into TO (newer ones only), and TO's files
# that FROM no longer has removed (object files and the package's own build
# products are kept).
copy_tree() {
    local from=$1 to=$2
    mkdir -p "$to"
    (cd "$from" && find . -type f ! -name '*.o' ! -name '*.so' -print0) | while IFS= read -r -d '' file; do
        mkdir -p "$to/$(dirname "$file")"
        cp -pu "$from/$file" "$to/$file"
    done
}

# The rooms the library is built from: api and, transitively, the rooms its
# gaussnet_room(api USES ...) line in CMakeLists.txt names.
library_rooms() {
    sed -n 's/^[[:space:]]*gaussnet_room(\([a-z_]*\)\(.*\))[[:space:]]*$/\1\2/p' "$ROOT/CMakeLists.txt" | awk '
        { uses[$1] = ""; for (i = 3; i <= NF; ++i) uses[$1] = uses[$1] " " $i }
        END {
            todo[1] = "api"; n = 1; seen["api"] = 1
            for (k = 1; k <= n; ++k) {
                m = split(uses[todo[k]], used, " ")
                for (i = 1; i <= m; ++i) if (!(used[i] in seen)) { seen[used[i]] = 1; todo[++n] = used[i] }
            }
            for (room in seen) print room
        }' | LC_ALL=C sort
}

stage() {
    local dest=${1:-$STAGE_DEFAULT} version
    version=$(version_of_project)
    if ! grep -q "^Version: $version\$" "$ROOT/r/gaussnet/DESCRIPTION" ||
        ! grep -q "GAUSSNET_VERSION=\\\\\"$version\\\\\"" "$ROOT/r/gaussnet/src/Makevars.in"; then
        echo "r/gaussnet: DESCRIPTION and src/Makevars.in must carry the library's version $version" >&2
        exit 1
    fi
    copy_tree "$ROOT/r/gaussnet" "$dest"
    local lib=$dest/src/lib rooms
    rooms=$(library_rooms)
    if ! grep -qx common <<<"$rooms"; then
        echo "r/gaussnet: no rooms found for the library in CMakeLists.txt (gaussnet_room(api USES ...))" >&2
        exit 1
    fi
    mkdir -p "$lib/src"
    # Sources removed from the checkout, or from the library's rooms, leave the staged library too.
    find "$lib" -type f \( -name '*.cpp' -o -name '*.h' \) -print0 | while IFS= read -r -d '' file; do
        local relative=${file#"$lib"/} room
        room=$(cut -d/ -f2 <<<"$relative")
        if [ ! -e "$ROOT/$relative" ] || { [ "${relative%%/*}" = src ] && ! grep -qx "$room" <<<"$rooms"; }; then
            rm -f "$file" "${file%.cpp}.o"
        fi
    done
    copy_tree "$ROOT/include" "$lib/include"
    local room
    for room in $rooms; do
        (cd "$ROOT" && find "src/$room" -maxdepth 1 -type f \( -name '*.cpp' -o -name '*.h' \) ! -name main.cpp \
            -print0) | while IFS= read -r -d '' file; do
            mkdir -p "$lib/$(dirname "$file")"
            cp -pu "$ROOT/$file" "$lib/$file"
        done
    done
    stage_report_page "$lib/src/report/report_page_assets.cpp"
    # R's make knows no header dependencies: every object older than the
    # newest header is compiled again.
    local newest
    newest=$(find "$dest/src" -name '*.h' -printf '%T@ %p\n' | sort -n | tail -n 1 | cut -d' ' -f2-)
    [ -z "$newest" ] || find "$dest/src" -name '*.o' ! -newer "$newest" -delete
    echo "$dest"
}

# The report's page and graph-drawing library, which the build embeds into a
# generated source (the build fetched the library with npm): that source when
# a build made one, else one without the library (report_available() is then
# false and the report says the package was built without it).
stage_report_page() {
    local to=$1 made=${GAUSSNET_BUILD_DIR:-$ROOT/build}/generated/report_page_assets.cpp
    if [ -f "$made" ]; then
        cp -pu "$made" "$to"
    elif [ ! -f "$to" ]; then
        {
            echo '#include "report/page_assets.h"'
            echo 'namespace gaussnet {'
            for name in template style script; do echo "std::string report_page_$name() { return \"\"; }"; done
            echo 'std::string report_graph_library() { return ""; }'
            echo '}  // namespace gaussnet'
        } >"$to"
    fi
}

require_r() {
    if ! command -v Rscript >/dev/null 2>&1 || ! Rscript -e 'quit(status = !requireNamespace("Rcpp", quietly = TRUE))' \
        >/dev/null 2>&1; then
        echo "R or its Rcpp package is not installed: the R package is skipped" >&2
        exit 77
    fi
}

install() {
    local dest
    dest=$(stage)
    if [ $# -gt 0 ]; then
        mkdir -p "$1"
        R CMD INSTALL --no-multiarch --library="$1" "$dest"
    else
        R CMD INSTALL --no-multiarch "$dest"
    fi
}

# Without a TeX installation (Debian's R does not need one) the PDF manual is
# left out; the help pages are checked all the same.
check() {
    local dest work
    work=$ROOT/build/r/check
    rm -rf "$work" && mkdir -p "$work"
    dest=$(stage "$work/gaussnet")
    local manual=()
    command -v pdflatex >/dev/null 2>&1 || manual=(--no-manual)
    (cd "$work" && R CMD build --no-build-vignettes "$dest" && R CMD check "${manual[@]}" gaussnet_*.tar.gz)
}

run_tests() {
    local build=$1
    require_r
    Rscript -e 'quit(status = !requireNamespace("testthat", quietly = TRUE))' >/dev/null 2>&1 || {
        echo "the testthat package is not installed: the R tests are skipped" >&2
        exit 77
    }
    local lib=$build/r-lib
    export GAUSSNET_BUILD_DIR=$build
    install "$lib" >"$build/r-install.log" 2>&1 || {
        cat "$build/r-install.log"
        exit 1
    }
    export R_LIBS=$lib${R_LIBS:+:$R_LIBS}
    export GAUSSNET_SOURCE_DIR=$ROOT
    export GAUSSNET_BIN=${GAUSSNET_BIN:-$build/gaussnet} GAUSSNET_SIM_BIN=${GAUSSNET_SIM_BIN:-$build/gaussnet-sim}
    (cd "$ROOT/r/gaussnet/tests" && Rscript testthat.R)
    # The documentation's examples, headless (their text is checked against the
    # pages by tools/check-docs.py): the quickstart prints each learner's rates,
    # the drawing example must write its picture.
    Rscript "$ROOT/examples/quickstart.R" | grep '^IAMB2: edge tpr' >/dev/null || {
        echo "examples/quickstart.R did not print IAMB2's rates" >&2
        exit 1
    }
    local sachs=${GAUSSNET_SHARED_DATA:-$ROOT/../shared/data}/sachs
    if [ -f "$sachs/data_7466.txt" ]; then
        Rscript "$ROOT/examples/protein_signalling.R" "$sachs" | grep '^normal: edge tpr' >/dev/null || {
            echo "examples/protein_signalling.R did not print the normal scores' rates" >&2
            exit 1
        }
    else
        echo "the protein-signalling data are not in $sachs: its example is skipped" >&2
    fi
    if Rscript -e 'quit(status = !requireNamespace("igraph", quietly = TRUE))' >/dev/null 2>&1; then
        mkdir -p "$build/r-example"
        (cd "$build/r-example" && rm -f learned_vs_true.png && Rscript "$ROOT/examples/learn_and_draw.R" &&
            test -s learned_vs_true.png)
    else
        echo "the igraph package is not installed: the example script is skipped" >&2
    fi
}

case ${1:-} in
    stage) shift && stage "$@" ;;
    install) shift && require_r && install "$@" ;;
    check) require_r && check ;;
    test) run_tests "$2" ;;
    *)
        sed -n '2,9p' "$0" >&2
        exit 2
        ;;
esac
