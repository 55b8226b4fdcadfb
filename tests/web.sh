#!/usr/bin/env bash
# Runs the web page's tests: its module under Node, and the page itself in
# the system's Chromium, against the native tool. Needs the `test` and `web`
# presets built first; takes puppeteer-core (and nothing that downloads a
# browser) from npm into tests/web/node_modules.
#
#   tests/web.sh [SCREENSHOT.png]
set -euo pipefail
cd "$(dirname "$0")/.."
screenshot=$(realpath -m "${1:-build/web/page-after-cut.png}")

if [ ! -d tests/web/node_modules/puppeteer-core ]; then
  (cd tests/web && PUPPETEER_SKIP_DOWNLOAD=1 npm ci --no-audit --no-fund --loglevel=error)
fi

echo "--- the module under Node"
# Node 20's fetch would make Emscripten 3.1.6 take Node for a browser.
node --no-experimental-fetch --test tests/web/module_test.js

echo "--- the page in headless Chromium"
node tests/web/page_test.js "$screenshot"
