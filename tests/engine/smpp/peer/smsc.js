// An SMSC on a loopback port for the end-to-end test of the SMPP session.
//
//   node smsc.js <system_id> <password>
//
// Prints "LISTENING <port>", then one line per event: "BIND", "BIND_REFUSED", "SUBMIT", "UNBIND"
// or "CLOSED", followed by tab-separated key=value fields whose values are URI-encoded. A bind
// with another system_id or password is refused with ESME_RINVPASWD. The process ends when its
// standard input closes, or after a minute at the latest.
'use strict';

const smpp = require('smpp');

const [systemId, password] = process.argv.slice(2);
let submitted = 0;

function report(event, pdu, keys) {
    const fields = keys.map((key) => `${key}=${encodeURIComponent(String(pdu[key]))}`);
    process.stdout.write([event, ...fields].join('\t') + '\n');
}

const server = smpp.createServer((session) => {
    const bind = (pdu) => {
        const keys = ['command_id', 'sequence_number', 'system_id', 'password', 'system_type',
            'interface_version', 'addr_ton', 'addr_npi', 'address_range'];
        if (pdu.system_id === systemId && pdu.password === password) {
            report('BIND', pdu, keys);
            session.send(pdu.response());
        } else {
            report('BIND_REFUSED', pdu, keys);
            session.send(pdu.response({command_status: smpp.ESME_RINVPASWD}));
        }
    };
    session.on('bind_transmitter', bind);
    session.on('bind_transceiver', bind);
    session.on('bind_receiver', bind);
    session.on('submit_sm', (pdu) => {
        submitted += 1;
        const fields = Object.assign({}, pdu, {message: pdu.short_message.message});
        report('SUBMIT', fields, ['sequence_number', 'service_type', 'source_addr_ton',
            'source_addr_npi', 'source_addr', 'dest_addr_ton', 'dest_addr_npi',
            'destination_addr', 'esm_class', 'protocol_id', 'priority_flag',
            'schedule_delivery_time', 'validity_period', 'registered_delivery',
            'replace_if_present_flag', 'data_coding', 'sm_default_msg_id', 'message']);
        session.send(pdu.response({message_id: `msg-${submitted}`}));
    });
    session.on('enquire_link', (pdu) => session.send(pdu.response()));
    session.on('unbind', (pdu) => {
        report('UNBIND', pdu, ['sequence_number']);
        session.send(pdu.response());
    });
    session.on('close', () => process.stdout.write('CLOSED\n'));
    session.on('error', (error) => process.stdout.write(`ERROR\tmessage=${encodeURIComponent(error.message)}\n`));
});

server.listen(0, '127.0.0.1', () => {
    process.stdout.write(`LISTENING ${server.address().port}\n`);
});

process.stdin.resume();
process.stdin.on('end', () => process.exit(0));
setTimeout(() => process.exit(3), 60000).unref();
