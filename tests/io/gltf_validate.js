// Runs the Khronos glTF validator over the files named on the command line and
// prints every message; exits 1 when any file has an error.
// usage: node gltf_validate.js VALIDATOR_PREFIX FILE...
'use strict';
const fs = require('fs');
const path = require('path');
const validator = require(path.join(process.argv[2], 'node_modules', 'gltf-validator'));

async function validate(file) {
  const folder = path.dirname(file);
  const report = await validator.validateBytes(new Uint8Array(fs.readFileSync(file)), {
    uri: path.basename(file),
    externalResourceFunction: (uri) =>
      new Promise((resolve, reject) => {
        fs.readFile(path.join(folder, decodeURIComponent(uri)), (error, data) =>
          error ? reject(error.toString()) : resolve(new Uint8Array(data)));
      }),
  });
  for (const message of report.issues.messages) {
    console.log(`${file}: ${message.severity === 0 ? 'error' : 'note'} ${message.code} ${message.pointer || ''}: ${message.message}`);
  }
  return report.issues.numErrors;
}

(async () => {
  let errors = 0;
  for (const file of process.argv.slice(3)) errors += await validate(file);
  console.log(`${errors} error(s)`);
  process.exit(errors > 0 ? 1 : 0);
})().catch((error) => {
  console.log(`validator failed: ${error}`);
  process.exit(2);
});
