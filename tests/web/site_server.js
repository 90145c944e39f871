// SPDX-License-Identifier: GPL-3.0-or-later
// Serves the browser edition's site folder on 127.0.0.1, on a free port, for the page tests and
// the page's figures.
'use strict';

const fs = require('fs');
const http = require('http');
const path = require('path');

const kTypes = { '.html': 'text/html', '.js': 'text/javascript', '.wasm': 'application/wasm',
                 '.data': 'application/octet-stream' };

// Resolves to the listening server once it is ready.
function serveSite(siteDir) {
  const server = http.createServer((request, response) => {
    const name = path.normalize(decodeURIComponent(new URL(request.url, 'http://x').pathname));
    const file = path.join(siteDir, name === '/' ? 'index.html' : name);
    if (!file.startsWith(siteDir + path.sep) || !fs.existsSync(file)) {
      response.writeHead(404).end();
      return;
    }
    response.writeHead(200, { 'Content-Type': kTypes[path.extname(file)] || 'text/plain' });
    fs.createReadStream(file).pipe(response);
  });
  return new Promise((resolve) => server.listen(0, '127.0.0.1', () => resolve(server)));
}

module.exports = { serveSite };
